#pragma once
// The register's schema as a server register declares it (see schema.h):
// lower-case names; RecordPtr an identity column (never handed out twice);
// texts in the database's own collation, so that anybody's SQL may use
// LIKE, ILIKE, regular expressions and position() on them. The program
// compares and sorts them without regard to case in the collation
// register_text of the server's ICU library, which ignores letter case
// (also beyond ASCII) the way the register file's NOCASE does for A to Z:
// its SQL names that collation (pg_sql.h), and the named indexes of text
// fields are made in it. Each named index also holds RecordPtr, the order
// of rows with equal keys, and puts Null first, as SQLite does. Trigram
// indexes (pg_trgm) let the list filters find "*text*" without reading
// every row (see pg_pattern.h); where the server lacks pg_trgm the
// register works without them, only slower. The server's own rules of the
// register (pg_rules.h) come on top.
//
// The register is recognised by its own tables in the current schema:
// other tables beside an existing register, views, functions, whatever an
// extension brought in and anything in other schemas are left alone. A
// relation that takes a name of the register's tables, and a first start
// on a schema that holds tables already, are refused.

#include "../schema.h"

#include <QString>
#include <QStringList>

namespace store {

class PgConnection;

namespace postgres {

/// The statements that make the tables and indexes (one text); those
/// that exist already are left as they are, so the same text adds the
/// tables of later versions to an older register.
QString createStatements();
/// The optional trigram indexes, and the extension they need.
QString trigramStatements();
/// The optional trigram index of the files' text (FileContents' Text) and
/// the extension, made where missing: for a register that gains the files'
/// tables. Empty while the schema has no such table.
QString fileTextIndexStatements();

/// The named indexes made in the collation register_text.
QStringList caseBlindIndexes();

/// Older: a register of an earlier version, which lacks tables added
/// since, keeps its texts in the case-blind collation itself, or lacks
/// the server's rules.
enum class Shape { Empty, Register, Older, Other };

struct Inspection {
    Shape shape = Shape::Empty;
    QString problem;               ///< describes an Other shape for the user
    bool tablesMissing = false;    ///< a table of a later version is missing
    bool caseBlindColumns = false; ///< text columns carry the case-blind collation
    bool serverHistory = false;    ///< the server writes the history itself
    bool owner = false;            ///< this user may alter the register's tables
};

/// What the current schema of the connected database holds.
Inspection inspect(PgConnection& c);

} // namespace postgres
} // namespace store
