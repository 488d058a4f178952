#pragma once
// The register's schema as a server register declares it (see schema.h):
// lower-case names; RecordPtr an identity column (never handed out twice);
// texts in a case-blind collation of the server's ICU library, so that
// equality, order and the named indexes ignore letter case (also beyond
// ASCII) the way the register file's NOCASE does for A to Z; each named
// index also holds RecordPtr, the order of rows with equal keys, and puts
// Null first, as SQLite does. Trigram indexes (pg_trgm) let the list
// filters find "*text*" of ASCII letters without reading every row (see
// pg_sql.h); where the server lacks pg_trgm the register works without
// them, only slower.
//
// The shape check tells a register from an empty database and from a
// database that holds something else.

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

/// Older: a register of an earlier version, which lacks tables added since.
enum class Shape { Empty, Register, Older, Other };

/// What the current schema of the connected database holds; `problem`
/// describes an Other shape for the user.
Shape inspect(PgConnection& c, QString* problem);

} // namespace postgres
} // namespace store
