#pragma once
// SQL text read as a list of tokens: the one reading of a statement that the
// dialect translation (dialect.h) and the server's rewrite
// (postgres/pg_sql.h) share, so that both agree on where a quoted text, a
// quoted name or a comment begins and ends, and nothing inside one is ever
// taken for a keyword, a parameter or a '#'.
//
// Quoted units: '...' is a text, "...", `...` and [...] are names; inside
// all but [...] a doubled delimiter stands for one, [...] ends at the first
// ']'. Comments run from "--" to the end of the line, or from "/*" to the
// next "*/" (or the end of the text, as SQLite reads an open one). In the
// desktop dialect '#' opens a date literal that ends at the next '#'.
// Tokens cover the text without gaps, so joining them gives it back. Cost:
// linear in the text's length.

#include <QString>
#include <QStringView>
#include <vector>

namespace store::sql {

enum class TokenKind {
    Space,     ///< white space
    Comment,   ///< "-- ..." (without the line's end) or "/* ... */"
    Text,      ///< '...'
    Name,      ///< "...", `...` or [...]
    Word,      ///< a letter or '_', then letters, digits, '_' and '$'
    Number,    ///< a digit, then letters, digits, '_' and '.'
    Parameter, ///< "?" or "?N" (N in ASCII digits)
    Date,      ///< #...#, only where '#' opens a date literal
    Symbol,    ///< "<=", ">=", "<>", "!=", "||" or any other one character
    Open,      ///< a quote, name or date literal that is not closed: the rest
};

struct Token {
    TokenKind kind;
    qsizetype begin;  ///< index of the first character in the text
    qsizetype length; ///< characters it covers

    qsizetype end() const { return begin + length; }
    QStringView in(QStringView sql) const { return sql.sliced(begin, length); }
    /// Neither space nor comment.
    bool solid() const { return kind != TokenKind::Space && kind != TokenKind::Comment; }
};

/// Whether '#' opens a date literal (the desktop dialect) or is a symbol.
enum class Hash { DateLiteral, Symbol };

std::vector<Token> tokenize(QStringView sql, Hash hash = Hash::Symbol);

/// The name a Name or Word token stands for: delimiters taken off and
/// doubled delimiters undone; a Word as it is.
QString nameOf(QStringView token);

/// True when `token` is the word `keyword`, letter case ignored.
bool isKeyword(QStringView token, QStringView keyword);

/// Index of the first solid token after `i` (or from the start for -1),
/// or -1.
int nextSolid(const std::vector<Token>& tokens, int i);

} // namespace store::sql
