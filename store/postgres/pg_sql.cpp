// Engine SQL rewritten for PostgreSQL (see pg_sql.h): the statement's
// tokens (sql_tokens.h), then the rewrites of LIKE and ORDER BY over the
// token list, then the text.

#include "pg_sql.h"

#include "../engine_error.h"
#include "../schema.h"
#include "../sql_tokens.h"
#include "pg_pattern.h"

#include <QStringList>
#include <initializer_list>
#include <optional>
#include <vector>

namespace store::postgres {
namespace {

enum class Kind { Space, Text, Name, Word, Number, Param, Symbol };

struct Token {
    Kind kind;
    QString text; ///< as it goes out (names already folded and quoted)
};

[[noreturn]] void refuse(const QString& what, const QString& sql) {
    throw EngineError(err::SyntaxError,
                      QStringLiteral("The statement was refused: %1 (%2).").arg(what, sql));
}

/// The kind of the register's first field of that name, letter case
/// ignored; nothing for a name no table of the register has.
std::optional<schema::FieldKind> kindOf(const QString& name) {
    for (const schema::Table& t : schema::tables())
        for (const schema::Field& f : t.fields)
            if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
                return f.kind;
    return std::nullopt;
}

/// True for a field name of the register's schema, which goes out quoted so
/// that words PostgreSQL reserves for itself ("date", "type") stay names.
bool isSchemaField(const QString& word) {
    return kindOf(word).has_value();
}

bool isCounterField(const QString& name) {
    return kindOf(name) == schema::FieldKind::Counter;
}

bool isTextField(const QString& name) {
    const auto kind = kindOf(name);
    return kind == schema::FieldKind::Text || kind == schema::FieldKind::Memo;
}

QString quotedName(const QString& name) {
    return QLatin1Char('"') + name.toLower().replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

/// SQLite and PostgreSQL take parameter numbers from 1 up to this.
constexpr int MaxParameter = 32766;

/// The statement's tokens (sql_tokens.h) as they go out: names folded and
/// quoted, parameters numbered, comments as a space (the two servers do not
/// end nested comments alike).
std::vector<Token> readTokens(const QString& sql, int& parameterCount) {
    const std::vector<sql::Token> read = sql::tokenize(sql);
    std::vector<Token> out;
    out.reserve(read.size());
    for (size_t k = 0; k < read.size(); ++k) {
        const sql::Token& r = read[k];
        const QStringView text = r.in(sql);
        switch (r.kind) {
        case sql::TokenKind::Space:
            out.push_back({Kind::Space, text.toString()});
            break;
        case sql::TokenKind::Comment:
            out.push_back({Kind::Space, QStringLiteral(" ")});
            break;
        case sql::TokenKind::Open:
            refuse(text.front() == u'[' ? QStringLiteral("an unterminated name")
                                        : QStringLiteral("an unterminated quote"),
                   sql);
        case sql::TokenKind::Text:
            out.push_back({Kind::Text, text.toString()});
            break;
        case sql::TokenKind::Name:
            out.push_back({Kind::Name, quotedName(sql::nameOf(text))});
            break;
        case sql::TokenKind::Parameter: {
            bool ok = true;
            const int n = text.size() == 1 ? parameterCount + 1 : text.sliced(1).toInt(&ok);
            if (!ok || n < 1 || n > MaxParameter)
                refuse(QStringLiteral("parameter numbers run from 1 to %1").arg(MaxParameter), sql);
            parameterCount = std::max(parameterCount, n);
            out.push_back({Kind::Param, QStringLiteral("$%1").arg(n)});
            break;
        }
        case sql::TokenKind::Word: {
            // A field name, unless it names a function ("date(...)").
            const int next = sql::nextSolid(read, static_cast<int>(k));
            const bool call = next >= 0 && read[static_cast<size_t>(next)].in(sql) == u"(";
            if (!call && isSchemaField(text.toString()))
                out.push_back({Kind::Name, quotedName(text.toString())});
            else
                out.push_back({Kind::Word, text.toString()});
            break;
        }
        case sql::TokenKind::Number:
            out.push_back({Kind::Number, text.toString()});
            break;
        case sql::TokenKind::Date:
        case sql::TokenKind::Symbol:
            out.push_back({Kind::Symbol, text.toString()});
            break;
        }
    }
    return out;
}

bool isWord(const Token& t, QStringView w) {
    return t.kind == Kind::Word && t.text.compare(w, Qt::CaseInsensitive) == 0;
}

/// Index of the nearest token before i that is not space, or -1.
int previousSolid(const std::vector<Token>& t, int i) {
    for (--i; i >= 0; --i)
        if (t[static_cast<size_t>(i)].kind != Kind::Space)
            return i;
    return -1;
}

int nextSolid(const std::vector<Token>& t, int i) {
    for (++i; i < static_cast<int>(t.size()); ++i)
        if (t[static_cast<size_t>(i)].kind != Kind::Space)
            return i;
    return -1;
}

QString joined(const std::vector<Token>& t, int from, int to) {
    QString s;
    for (int k = from; k <= to; ++k)
        s += t[static_cast<size_t>(k)].text;
    return s;
}

/// The first token of the operand that ends at token `end`: a name, a
/// qualified name, or a parenthesised group with an optional function name.
int operandStart(const std::vector<Token>& t, int end) {
    // A word that joins conditions or opens a clause is neither an operand
    // nor the name of a function called on one.
    const auto isClauseWord = [](const Token& word) {
        for (QStringView keyword :
             {u"WHERE", u"AND", u"OR", u"NOT", u"ON", u"HAVING", u"WHEN", u"THEN", u"ELSE", u"CASE",
              u"SELECT", u"SET", u"IN", u"IS", u"BETWEEN", u"LIKE"})
            if (isWord(word, keyword))
                return true;
        return false;
    };
    const Token& last = t[static_cast<size_t>(end)];
    int start = end;
    if (last.kind == Kind::Symbol && last.text == u")") {
        int depth = 0;
        for (start = end; start >= 0; --start) {
            const QString& s = t[static_cast<size_t>(start)].text;
            if (t[static_cast<size_t>(start)].kind != Kind::Symbol)
                continue;
            if (s == u")")
                ++depth;
            else if (s == u"(" && --depth == 0)
                break;
        }
        if (start < 0)
            return -1;
        const int name = previousSolid(t, start);
        if (name >= 0 && t[static_cast<size_t>(name)].kind == Kind::Word &&
            !isClauseWord(t[static_cast<size_t>(name)]))
            start = name;
        return start;
    }
    if ((last.kind != Kind::Name && last.kind != Kind::Word) || isClauseWord(last))
        return -1;
    // table.field
    const int dot = previousSolid(t, end);
    if (dot >= 0 && t[static_cast<size_t>(dot)].text == u".") {
        const int table = previousSolid(t, dot);
        if (table >= 0 && (t[static_cast<size_t>(table)].kind == Kind::Name ||
                           t[static_cast<size_t>(table)].kind == Kind::Word))
            start = table;
    }
    return start;
}

/// The operand's text in the collation "C": the pattern's own letter
/// cases decide what matches (see likeExpression()), and the trigram
/// indexes, made on that expression, serve the match. A text field of the
/// register goes as it is, a date field as the text a register file holds
/// ("2004-02-06", with " 10:30:00" only for a time of day), anything else
/// as text.
QString matchedText(const std::vector<Token>& t, int start, int end) {
    const QString operand = joined(t, start, end);
    // The field the operand names, also between parentheses and after its
    // table's name ("(Documents.Date)").
    const auto isSymbol = [&](int k, QStringView symbol) {
        return t[static_cast<size_t>(k)].kind == Kind::Symbol &&
               t[static_cast<size_t>(k)].text == symbol;
    };
    int first = start;
    int last = end;
    while (first < last && isSymbol(first, u"(") && isSymbol(last, u")")) {
        first = nextSolid(t, first);
        last = previousSolid(t, last);
    }
    if (first >= 0 && last > first) {
        const int dot = nextSolid(t, first);
        if (dot != last - 1 || !isSymbol(dot, u"."))
            first = -1; // an expression
    }
    std::optional<schema::FieldKind> kind;
    if (first >= 0 && last >= first) {
        const Token& name = t[static_cast<size_t>(last)];
        if (name.kind == Kind::Name)
            kind = kindOf(name.text.mid(1, name.text.size() - 2));
        else if (name.kind == Kind::Word)
            kind = kindOf(name.text);
    }
    if (kind == schema::FieldKind::Text || kind == schema::FieldKind::Memo)
        return QStringLiteral("(%1 COLLATE \"C\")").arg(operand);
    if (kind == schema::FieldKind::Date)
        return QStringLiteral("(to_char(%1, CASE WHEN CAST(%1 AS time) = '00:00' THEN "
                              "'YYYY-MM-DD' ELSE 'YYYY-MM-DD HH24:MI:SS' END) COLLATE \"C\")")
            .arg(operand);
    return QStringLiteral("(CAST(%1 AS text) COLLATE \"C\")").arg(operand);
}

QString sqlTextLiteral(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

/// Rewrites every "x [NOT] LIKE p" in place.
void rewriteLike(std::vector<Token>& t, RewrittenSql& out, const QString& sql) {
    for (int i = 0; i < static_cast<int>(t.size()); ++i) {
        if (!isWord(t[static_cast<size_t>(i)], u"LIKE"))
            continue;
        int left = previousSolid(t, i);
        bool negated = false;
        if (left >= 0 && isWord(t[static_cast<size_t>(left)], u"NOT")) {
            negated = true;
            left = previousSolid(t, left);
        }
        const int right = nextSolid(t, i);
        const int start = left >= 0 ? operandStart(t, left) : -1;
        if (start < 0 || right < 0)
            refuse(QStringLiteral("LIKE needs a field on its left and a pattern on its right"),
                   sql);
        if (const int after = nextSolid(t, right);
            after >= 0 && isWord(t[static_cast<size_t>(after)], u"ESCAPE"))
            refuse(QStringLiteral("ESCAPE is not supported"), sql);
        // SQLite binds "||", arithmetic and "<" ">" tighter than LIKE,
        // PostgreSQL the comparisons looser: an operator beside LIKE would
        // take other operands on each server, so it needs parentheses.
        const auto isSymbolIn = [&](int k, std::initializer_list<QStringView> symbols) {
            if (k < 0 || t[static_cast<size_t>(k)].kind != Kind::Symbol)
                return false;
            for (QStringView s : symbols)
                if (t[static_cast<size_t>(k)].text == s)
                    return true;
            return false;
        };
        const int after = nextSolid(t, right);
        if ((after >= 0 && t[static_cast<size_t>(after)].kind == Kind::Symbol &&
             !isSymbolIn(after, {u")", u",", u";", u"=", u"<>", u"!="})) ||
            isSymbolIn(previousSolid(t, start), {u"<", u">", u"<=", u">="}))
            refuse(QStringLiteral("an operator beside LIKE needs parentheses"), sql);
        Token& pattern = t[static_cast<size_t>(right)];
        QString match;
        if (pattern.kind == Kind::Param) {
            out.patternParams.insert(pattern.text.mid(1).toInt());
            match = (negated ? QStringLiteral("!~ ") : QStringLiteral("~ ")) + pattern.text;
        } else if (pattern.kind == Kind::Text) {
            const QString desktop = pattern.text.mid(1, pattern.text.size() - 2)
                                        .replace(QStringLiteral("''"), QStringLiteral("'"));
            if (const auto ilike = ilikePattern(desktop))
                match = (negated ? QStringLiteral("NOT ILIKE ") : QStringLiteral("ILIKE ")) +
                        sqlTextLiteral(*ilike);
            else
                match = (negated ? QStringLiteral("!~ ") : QStringLiteral("~ ")) +
                        sqlTextLiteral(likeExpression(desktop));
        } else {
            refuse(QStringLiteral("LIKE needs a text or a parameter as its pattern"), sql);
        }
        const QString text = matchedText(t, start, left);
        // The operand, NOT, LIKE and the pattern become one token.
        t[static_cast<size_t>(start)] = {Kind::Word, text + QLatin1Char(' ') + match};
        t.erase(t.begin() + start + 1, t.begin() + right + 1);
        i = start;
    }
}

/// Gives each text field of the register that a condition compares (after
/// WHERE, ON or HAVING) or an ORDER BY sorts the case-blind collation
/// register_text, which the columns themselves do not have: their own
/// collation is the database's deterministic one, so that anybody's SQL
/// may match them with LIKE. Lists of fields (SELECT, SET, GROUP BY) keep
/// the bare column. A subquery starts afresh and the text after it goes on
/// as before it.
void rewriteTextComparisons(std::vector<Token>& t) {
    std::vector<bool> comparing{false}; // one entry per open parenthesis
    int previous = -1;                  // the last solid token
    for (int i = 0; i < static_cast<int>(t.size()); ++i) {
        Token& tok = t[static_cast<size_t>(i)];
        if (tok.kind == Kind::Space)
            continue;
        if (tok.kind == Kind::Symbol && tok.text == u"(") {
            comparing.push_back(comparing.back());
        } else if (tok.kind == Kind::Symbol && tok.text == u")") {
            if (comparing.size() > 1)
                comparing.pop_back();
        } else if (isWord(tok, u"WHERE") || isWord(tok, u"ON") || isWord(tok, u"HAVING")) {
            comparing.back() = true;
        } else if (isWord(tok, u"BY")) {
            comparing.back() = previous >= 0 && isWord(t[static_cast<size_t>(previous)], u"ORDER");
        } else if (isWord(tok, u"SELECT") || isWord(tok, u"SET") || isWord(tok, u"FROM") ||
                   isWord(tok, u"GROUP") || isWord(tok, u"VALUES") || isWord(tok, u"LIMIT") ||
                   isWord(tok, u"OFFSET") || isWord(tok, u"RETURNING") || isWord(tok, u"INTO")) {
            comparing.back() = false;
        } else if (tok.kind == Kind::Name && comparing.back() &&
                   isTextField(tok.text.mid(1, tok.text.size() - 2))) {
            const int next = nextSolid(t, i);
            if (next < 0 || t[static_cast<size_t>(next)].text != u".")
                tok.text += QStringLiteral(" COLLATE register_text");
        }
        previous = i;
    }
}

/// Gives every ORDER BY term the place SQLite gives Null.
void rewriteOrderBy(std::vector<Token>& t) {
    for (int i = 0; i < static_cast<int>(t.size()); ++i) {
        if (!isWord(t[static_cast<size_t>(i)], u"ORDER"))
            continue;
        const int by = nextSolid(t, i);
        if (by < 0 || !isWord(t[static_cast<size_t>(by)], u"BY"))
            continue;
        int depth = 0;
        int lastSolid = -1;
        int solids = 0;       // solid tokens of the term
        bool counter = false; // the term is a counter field, never Null
        bool descending = false;
        bool hasNulls = false;
        // Ends a term: NULLS after its last token; how many tokens went in.
        // A counter needs none, and its primary key index (which puts Null
        // last) then serves the order.
        auto finishTerm = [&] {
            if (lastSolid < 0 || hasNulls || (counter && solids <= 2))
                return 0;
            t.insert(t.begin() + lastSolid + 1,
                     Token{Kind::Word, descending ? QStringLiteral(" NULLS LAST")
                                                  : QStringLiteral(" NULLS FIRST")});
            return 1;
        };
        int k = by + 1;
        for (; k < static_cast<int>(t.size()); ++k) {
            const Token& tok = t[static_cast<size_t>(k)];
            if (tok.kind == Kind::Symbol && tok.text == u"(") {
                ++depth;
            } else if (tok.kind == Kind::Symbol && tok.text == u")") {
                if (depth == 0)
                    break;
                --depth;
            } else if (depth == 0 &&
                       ((tok.kind == Kind::Symbol && tok.text == u";") || isWord(tok, u"LIMIT") ||
                        isWord(tok, u"OFFSET") || isWord(tok, u"FETCH") || isWord(tok, u"FOR") ||
                        isWord(tok, u"UNION") || isWord(tok, u"EXCEPT") ||
                        isWord(tok, u"INTERSECT"))) {
                break;
            } else if (depth == 0 && tok.kind == Kind::Symbol && tok.text == u",") {
                k += finishTerm();
                lastSolid = -1;
                solids = 0;
                descending = hasNulls = counter = false;
                continue;
            }
            if (tok.kind == Kind::Space)
                continue;
            if (solids++ == 0 && tok.kind == Kind::Name)
                counter = isCounterField(tok.text.mid(1, tok.text.size() - 2));
            if (depth == 0 && isWord(tok, u"DESC"))
                descending = true;
            else if (depth == 0 && isWord(tok, u"ASC"))
                descending = false;
            else if (depth == 0 && isWord(tok, u"NULLS"))
                hasNulls = true;
            lastSolid = k;
        }
        k += finishTerm();
        i = k;
    }
}

} // namespace

RewrittenSql rewrite(const QString& engineSql) {
    RewrittenSql out;
    std::vector<Token> tokens = readTokens(engineSql, out.parameterCount);
    rewriteLike(tokens, out, engineSql);
    rewriteTextComparisons(tokens);
    rewriteOrderBy(tokens);
    const int first = nextSolid(tokens, -1);
    if (first >= 0 && isWord(tokens[static_cast<size_t>(first)], u"INSERT")) {
        const int into = nextSolid(tokens, first);
        const int table = into >= 0 ? nextSolid(tokens, into) : -1;
        if (table >= 0) {
            const Token& name = tokens[static_cast<size_t>(table)];
            out.insertTable = name.kind == Kind::Name ? name.text.mid(1, name.text.size() - 2)
                                                      : name.text.toLower();
        }
    }
    for (const Token& t : tokens)
        out.sql += t.text;
    return out;
}

} // namespace store::postgres
