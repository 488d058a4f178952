#pragma once
// The list as an Excel workbook (.xlsx), made with libxlsxwriter, for
// spreadsheet programs that read CSV badly (a byte-order mark shown as
// letters, "0012345" turned into a number, "=SUM(...)" computed).
//
// The sheet "Documents": the header row bold and frozen, then one row per
// document in the list's order. The ID is a number cell; the date a date
// cell shown m/d/yyyy (a date before 1900, which a spreadsheet cannot
// hold, and a stored value that is no date, are text cells with the text
// the CSV holds); every other value a text cell, never a formula or a
// number, whatever it looks like. Null values are empty cells. Columns are
// as wide as their longest line, up to 60 characters.
//
// A cell holds at most 32,767 characters. A longer text (a note, in
// practice) is never cut silently: its cell in "Documents" holds its first
// 32,767 characters, the sheet "Long notes" holds it whole, one row per
// such text (its document's ID, its column, then the text in parts of at
// most 32,767 characters in the cells to the right, to be joined in
// order), and the export's outcome names those documents. U+0000, which
// the file format cannot hold, is written as U+FFFD.
//
// The workbook is made in a private temporary folder (TMPDIR, else /tmp;
// it needs about the workbook's size again) and then copied onto the
// target, so that the target gets it all or nothing as export_target.h
// says. Memory: one row at a time (libxlsxwriter's constant-memory mode).
// Cost: for the 10^5 documents of list_export.h (106 MB of CSV, a 5 MB
// workbook), about 2.2 s of processor time against the CSV's 0.65 s
// (bench/export_bench.cpp, measured on a busy machine), most of it the
// library's XML and compression.

#include "list_rows.h"
#include "list_writer.h"

#include <QTemporaryDir>
#include <array>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace reports {

class ExportTarget;

class WorkbookWriter final : public ListWriter {
public:
    /// The most characters a cell holds.
    static constexpr qsizetype CellCharacters = 32767;

    /// Starts the workbook for `target` (kept by reference).
    explicit WorkbookWriter(ExportTarget& target);
    ~WorkbookWriter() override;
    void add(const ListRow& row) override;
    void finish(ExportOutcome& outcome) override;

private:
    void text(lxw_worksheet* sheet, int column, const QString& value);
    void check(int error) const;

    ExportTarget& target_;
    QTemporaryDir folder_;
    QByteArray temporary_; ///< folder_ for libxlsxwriter's own temporary files
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* documents_ = nullptr;
    lxw_worksheet* longNotes_ = nullptr; ///< made on the first long text
    lxw_format* bold_ = nullptr;
    lxw_format* date_ = nullptr;
    unsigned row_ = 0;     ///< the last row written in "Documents"
    unsigned longRow_ = 0; ///< the last row written in "Long notes"
    QVariant id_;          ///< the ID of the document being added
    std::array<qsizetype, ListHeadings.size()> widths_{};
    QList<LongText> longTexts_;
};

} // namespace reports
