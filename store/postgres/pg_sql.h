#pragma once
// Engine SQL (see connection.h) rewritten for PostgreSQL, in one pass over
// its tokens (sql_tokens.h):
//  - identifiers between double quotes, brackets or backquotes are folded
//    to lower case, as PostgreSQL folds bare ones, since the server
//    register's tables and fields carry lower-case names; the register's
//    own field names are quoted even when bare ("date", "type" are words
//    of PostgreSQL's own);
//  - parameters "?N" and "?" become "$N", numbered as SQLite numbers them
//    and, as there, from 1 to 32766;
//  - a comment becomes a space (the servers end nested ones differently);
//  - "x LIKE p" becomes a match on the text of x in the collation "C",
//    with the pattern translated as pg_pattern.h describes: ILIKE for a
//    pattern of ASCII characters, else the regular expression operator ~.
//    A pattern that arrives as a parameter is always matched as an
//    expression; the caller translates the bound value with
//    likeExpression(). A date field is matched as the text a register
//    file holds ("2004-02-06", "2004-02-06 10:30:00"), a number as its
//    digits;
//  - a text field that a condition compares or an ORDER BY sorts is given
//    the case-blind collation register_text (see pg_schema.h), which its
//    column does not carry;
//  - each ORDER BY term gets NULLS FIRST (ascending) or NULLS LAST
//    (descending), the places SQLite gives Null.
// Texts between single quotes pass through untouched. Cost: linear in the
// statement's length.

#include <QString>
#include <set>

namespace store::postgres {

struct RewrittenSql {
    QString sql;                 ///< the statement in PostgreSQL's dialect
    std::set<int> patternParams; ///< parameters bound as LIKE patterns (1-based)
    int parameterCount = 0;      ///< the highest parameter number used
    QString insertTable;         ///< lower-case table of an INSERT, else empty
};

/// Rewrites engine SQL; raises EngineError(SyntaxError) for LIKE without a
/// field or a value beside it, or with ESCAPE, for an open quote or name,
/// and for a parameter number out of range.
RewrittenSql rewrite(const QString& engineSql);

} // namespace store::postgres
