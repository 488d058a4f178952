#pragma once
// The document list as a CSV file, for spreadsheets and scripts: File >
// Export List... writes the rows the main window's list shows, and
// `tolvane --export` the whole register in the user's saved order.
//
// The file is UTF-8 with a byte-order mark (so that spreadsheet programs
// read every letter), in records as csv_field.h writes them: the header
// "ID,Description,Type,Date,Who,Note", then one record per row of the
// recordset, in its order: the ID in decimal; Description, Who and Note as
// stored (the note whole, line breaks and all); the type's name, empty for
// type 0 and for a number no type has; the date as m/d/yyyy. Null values
// are empty fields. A row whose document another user deleted after the
// list was read (the grid shows it empty) is left out.
//
// The file is written under a temporary name beside the target and takes
// the target's name only once complete (QSaveFile): a failed export leaves
// whatever was there before, and nothing half-written.
//
// Cost: the rows are read by position, never moving the recordset (its
// keys are in memory; the values are read by key, a batch of rows per
// statement, a server preparing the next batch while this one is
// written), all in one read transaction (store/read_snapshot.h); each
// type's name is looked up once. For 10^5 documents with notes of 0 to
// 2,000 characters (about 106 MB of CSV; bench/export_bench.cpp): about
// 0.6 s from a register file, 0.7 s from a server on a local socket (2
// cores, otherwise idle). Memory: a batch of rows and 64 k characters of
// output at a time.
//
// Threading: the thread that opened the recordset's Database.

#include <QString>
#include <stdexcept>

namespace store {
class Recordset;
}

namespace reports {

/// An export that did not happen; text() names the file and the cause.
class ExportError : public std::runtime_error {
public:
    explicit ExportError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const noexcept { return text_; }

private:
    QString text_;
};

/// Writes every row of `records`, a query's recordset with the fields ID,
/// Description, DocumentType, Date, Who and Note, to the file `fileName`,
/// replacing it. Returns the number of documents written; raises
/// ExportError, and then the file is as it was.
qint64 exportList(const store::Recordset& records, const QString& fileName);

} // namespace reports
