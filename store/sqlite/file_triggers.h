#pragma once
// The triggers of a register file that keep its files with its documents
// (see document_files.h): a document deleted takes its DocumentFiles rows
// with it, a complete content that no row holds any more goes, and a
// content that goes takes its chunks. They live in the file, so a row
// deleted with the sqlite3 shell or by an older copy of the program
// leaves no file behind either. Staged contents (Complete = 0) are no
// document's yet and are left to their stager.

#include <QStringList>

namespace store {

class SqliteConnection;

namespace sqlite {

/// The statements that make the triggers where they are missing.
QStringList fileTriggerStatements();

/// True when the file has its file tables but lacks one of the triggers.
bool needsFileTriggers(SqliteConnection& c);

} // namespace sqlite
} // namespace store
