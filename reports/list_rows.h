#pragma once
// The rows the list exports carry, decided in one place for every file
// format (list_export.h): the columns and their headings, which rows of
// the recordset become documents of the file, and each document's values.
//
// Columns, in order: ID, Description, Type, Date, Who, Note, Files (the
// names of the files the document holds, one a line). A row whose
// document another user deleted after the list was read (every field
// reads as Null, as the grid shows it) is left out.
//
// Cost: the rows are read by position, never moving the recordset (its
// keys are in memory; the values are read by key, a batch of rows per
// statement, a server preparing the next batch while this one is
// written), all in one read transaction (store/read_snapshot.h); each
// type's name is looked up once; the file names of a batch of rows in one
// statement.
//
// Threading: the thread that opened the recordset's Database.

#include <QString>
#include <QVariant>
#include <array>
#include <functional>

namespace store {
class Recordset;
}

namespace reports {

/// The headings of the exported columns, in order.
inline constexpr std::array<const char*, 7> ListHeadings{"ID",  "Description", "Type", "Date",
                                                         "Who", "Note",        "Files"};

/// One document as the exports carry it.
struct ListRow {
    QVariant id;         ///< the stored ID (Null only if the field is)
    QString description; ///< as stored, empty for Null
    QString type;        ///< the type's name; empty for type 0 and a number no type has
    QVariant date;       ///< the stored value
    QString who;         ///< as stored, empty for Null
    QString note;        ///< as stored, whole; empty for Null
    QString files;       ///< the names of the document's files, one a line, by name
};

/// Calls `take` with every document of `records`, a query's recordset with
/// the fields ID, Description, DocumentType, Date, Who and Note, in its
/// order; returns how many. store::EngineError from the reads and whatever
/// `take` raises pass through.
qint64 forEachListRow(const store::Recordset& records,
                      const std::function<void(const ListRow&)>& take);

} // namespace reports
