#pragma once
// The document list as a file, for spreadsheets and scripts: File >
// Export List... writes the rows the main window's list shows, and
// `tolvane --export` the whole register in the user's saved order. The
// rows and columns are decided in list_rows.h, for both formats.
//
// CSV, for scripts: UTF-8 with a byte-order mark, in records as
// csv_field.h writes them: the header "ID,Description,Type,Date,Who,Note",
// then one record per document, in the recordset's order: the ID in
// decimal; Description, Who and Note as stored (the note whole, line
// breaks and all); the type's name, empty for type 0 and for a number no
// type has; the date as m/d/yyyy. Null values are empty fields.
//
// An Excel workbook, for spreadsheet programs: list_workbook.h.
//
// The target: export_target.h. A file is written under a temporary name
// beside it and takes its name only once complete: a failed export leaves
// whatever was there before, and nothing half-written. A FIFO, a terminal
// or standard output is written directly, every write error reported; a
// device, a folder and a symbolic link to a file are refused.
//
// Cost: the reads of list_rows.h. For 10^5 documents with notes of 0 to
// 2,000 characters (about 106 MB of CSV; bench/export_bench.cpp): about
// 0.6 s from a register file, 0.7 s from a server on a local socket (2
// cores, otherwise idle). Memory: a batch of rows and 64 k characters of
// output at a time.
//
// Threading: the thread that opened the recordset's Database.

#include "platform/failure/failure.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace store {
class Recordset;
}

namespace reports {

/// An export that did not happen; text() names the file and the cause.
class ExportError : public Failure {
public:
    explicit ExportError(const QString& text) : Failure(Unnumbered, text) {}
};

enum class ListFormat { Csv, Workbook };

/// The format a file name asks for: a workbook for a name ending in
/// ".xlsx" (in any case), else CSV.
ListFormat listFormatFor(const QString& fileName);

/// A text longer than a workbook's cell holds: its document, its column.
struct LongText {
    QVariant id;
    QString column;
};

/// What an export wrote.
struct ExportOutcome {
    qint64 documents = 0;
    QList<LongText> longTexts; ///< a workbook's texts continued in "Long notes"
};

/// What the user is told about `outcome.longTexts`, naming the documents;
/// empty when there are none.
QString longTextRemark(const ExportOutcome& outcome);

/// Writes every document of `records`, a query's recordset with the fields
/// ID, Description, DocumentType, Date, Who and Note, to the file
/// `fileName` in `format`. Raises ExportError, and then a file is as it
/// was.
ExportOutcome exportList(const store::Recordset& records, const QString& fileName,
                         ListFormat format);
/// The same in the format the name asks for.
ExportOutcome exportList(const store::Recordset& records, const QString& fileName);
/// The same onto standard output.
ExportOutcome exportListToStandardOutput(const store::Recordset& records, ListFormat format);

} // namespace reports
