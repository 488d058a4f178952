#pragma once
// The text indexes of a register file: FTS5 tables of trigrams whose
// content is a table of the register itself (nothing is stored twice),
// kept current by triggers on that table:
//
//   DocumentsText     over the documents' Description, Who and Note
//   FileContentsText  over the words read from the files (FileContents'
//                     Text, document_files.h)
//
// Since the triggers live in the file, a row added or changed by any SQLite
// tool (the sqlite3 shell, Python) or by an older copy of the program is
// indexed as well, and the file stays one stock tools can check and change.
//
// An index only narrows: a list filter's desktop pattern with a run of at
// least three literal ASCII characters gets a term that keeps the rows the
// index finds holding every trigram of that run in the field (letter case
// ignored), where those rows are few, and the exact desktop match still
// decides. Runs with other characters are not used: FTS5 folds
// letter case beyond ASCII by its own tables, which need not agree with the
// register's, and a row the index missed would be lost from the list.

#include "../register.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace store {

class SqliteConnection;

namespace sqlite {

/// Which of the file's text indexes.
enum class TextIndexOf {
    Documents, ///< DocumentsText
    Files,     ///< FileContentsText
};

/// The index's table name.
QString textIndexTable(TextIndexOf which = TextIndexOf::Documents);

/// The statements that make the index and its triggers where missing.
QStringList textIndexStatements(TextIndexOf which = TextIndexOf::Documents);

/// True when the file holds the index and all of its triggers, so that it
/// agrees with its table.
bool hasTextIndex(SqliteConnection& c, TextIndexOf which = TextIndexOf::Documents);

/// True when the index is missing, or part of it, from a file whose
/// table has the fields it indexes.
bool needsTextIndex(SqliteConnection& c, TextIndexOf which = TextIndexOf::Documents);

/// Makes the index where it is missing and fills it from its table,
/// inside the caller's write transaction, telling `progress` (if set) how
/// far it has come.
void addTextIndex(SqliteConnection& c, const OpenProgress& progress = {},
                  TextIndexOf which = TextIndexOf::Documents);

/// The full-text query that finds the rows of `field` (Description, Who or
/// Note of the documents; Text of the files) that can match the desktop
/// `pattern`, or nothing when the pattern has no literal run long enough
/// or the field is not indexed.
std::optional<QString> textIndexQuery(const QString& field, const QString& pattern,
                                      TextIndexOf which = TextIndexOf::Documents);

/// True when the index gives few enough rows for `query` (one of
/// textIndexQuery's) that reading them by row number beats walking the
/// documents: at most one in fifty rows of its table, or a thousand,
/// counted up to that bound.
bool fewCandidates(SqliteConnection& c, const QString& query,
                   TextIndexOf which = TextIndexOf::Documents);

} // namespace sqlite
} // namespace store
