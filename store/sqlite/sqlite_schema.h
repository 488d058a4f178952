#pragma once
// The register's schema as a register file declares it (see schema.h):
// RecordPtr is the row id (INTEGER PRIMARY KEY AUTOINCREMENT, so a number
// is never handed out twice, and index "RecordPtr" is the table itself);
// "Description", "Who" and "Type" are real indexes in SQLite's built-in
// NOCASE collation, so walking them needs no sort and any SQLite tool can
// read, check and change the file.

#include "../schema.h"

#include <QString>
#include <QStringList>

namespace store::sqlite {

/// The SQL that creates the schema in an empty SQLite file, and marks the
/// file with the schema version: one statement each, and all of them as
/// one text (for tools and tests).
QStringList createStatementList();
QString createStatements();

/// The SQL that makes one table and its indexes where they are missing:
/// one statement each, and as one text.
QStringList tableStatementList(const schema::Table& t);
QString tableStatements(const schema::Table& t);

/// The statements that make a table's indexes where they are missing (all
/// of them, or those named in `only`), and the names of those indexes:
/// always from the program's own schema, never from what a file declares.
QStringList indexStatements(const schema::Table& t, const QStringList& only = {});
QStringList indexNames(const schema::Table& t);

/// Declared SQLite type of a field kind ("DATETIME", "SMALLINT", ...), and
/// the kind and width read back from a declared type.
QString declaredType(schema::FieldKind kind, int width);
schema::FieldKind kindFromDeclared(const QString& declared, int* width);

} // namespace store::sqlite
