#pragma once
// Engine SQL (see connection.h) rewritten for PostgreSQL, in one pass over
// its tokens:
//  - identifiers between double quotes, brackets or backquotes are folded
//    to lower case, as PostgreSQL folds bare ones, since the server
//    register's tables and fields carry lower-case names; the register's
//    own field names are quoted even when bare ("date", "type" are words
//    of PostgreSQL's own);
//  - parameters "?N" and "?" become "$N";
//  - "x LIKE p" becomes a case-blind match on the text of x: ILIKE with the
//    pattern translated ('*' to '%', '?' to '_') or, for patterns with '#'
//    or a character class, the regular expression operator ~* with an
//    anchored expression. A pattern that arrives as a parameter is always
//    matched as an expression; the caller translates the bound value with
//    likeExpression(). The match compares in the collation "C" for a
//    pattern of ASCII characters (cheap, and served by the trigram
//    indexes) and otherwise in "C.utf8", where PostgreSQL folds letter case
//    beyond ASCII too (the text columns' own collation ignores case and so
//    allows no LIKE);
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
/// field or a value beside it, or with ESCAPE.
RewrittenSql rewrite(const QString& engineSql);

/// The desktop pattern as an anchored POSIX regular expression for ~*.
QString likeExpression(const QString& pattern);

/// The desktop pattern as an ILIKE pattern, or nothing when it uses '#' or
/// a character class, which ILIKE cannot express.
std::optional<QString> ilikePattern(const QString& pattern);

} // namespace store::postgres
