// Engine SQL rewritten for PostgreSQL (see pg_sql.h): a tokenizer, then the
// rewrites of LIKE and ORDER BY over the token list, then the text.

#include "pg_sql.h"

#include "../engine_error.h"
#include "../schema.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace store::postgres {
namespace {

enum class Kind { Space, Text, Name, Word, Number, Param, Symbol };

struct Token {
    Kind kind;
    QString text; ///< as it goes out (names already folded and quoted)
};

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

[[noreturn]] void refuse(const QString& what, const QString& sql) {
    throw EngineError(err::SyntaxError,
                      QStringLiteral("The statement was refused: %1 (%2).").arg(what, sql));
}

/// True for a field name of the register's schema, which goes out quoted so
/// that words PostgreSQL reserves for itself ("date", "type") stay names.
bool isSchemaField(const QString& word) {
    for (const schema::Table& t : schema::tables())
        for (const schema::Field& f : t.fields)
            if (word.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

bool isCounterField(const QString& name) {
    for (const schema::Table& t : schema::tables())
        for (const schema::Field& f : t.fields)
            if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
                return f.kind == schema::FieldKind::Counter;
    return false;
}

bool isTextField(const QString& name) {
    for (const schema::Table& t : schema::tables())
        for (const schema::Field& f : t.fields)
            if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
                return f.kind == schema::FieldKind::Text || f.kind == schema::FieldKind::Memo;
    return false;
}

QString quotedName(const QString& name) {
    return QLatin1Char('"') + name.toLower().replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

class Tokenizer {
public:
    explicit Tokenizer(const QString& sql) : sql_(sql) {}

    std::vector<Token> run(int& parameterCount) {
        std::vector<Token> out;
        while (i_ < sql_.size()) {
            const QChar c = sql_[i_];
            if (c.isSpace())
                out.push_back({Kind::Space, take([](QChar x) { return x.isSpace(); })});
            else if (c == u'\'')
                out.push_back({Kind::Text, quoted(u'\'')});
            else if (c == u'"' || c == u'`')
                out.push_back({Kind::Name, quotedName(unquote(quoted(c), c))});
            else if (c == u'[')
                out.push_back({Kind::Name, bracketed()});
            else if (c == u'?')
                out.push_back({Kind::Param, parameter(parameterCount)});
            else if (isWordStart(c))
                out.push_back(word());
            else if (c.isDigit())
                out.push_back(
                    {Kind::Number, take([](QChar x) { return x.isDigit() || x == u'.'; })});
            else
                out.push_back({Kind::Symbol, symbol()});
        }
        return out;
    }

private:
    template <class Pred> QString take(Pred pred) {
        const qsizetype begin = i_;
        while (i_ < sql_.size() && pred(sql_[i_]))
            ++i_;
        return sql_.mid(begin, i_ - begin);
    }

    QString quoted(QChar delimiter) {
        const qsizetype begin = i_++;
        while (i_ < sql_.size()) {
            if (sql_[i_] == delimiter) {
                if (i_ + 1 < sql_.size() && sql_[i_ + 1] == delimiter) {
                    i_ += 2;
                    continue;
                }
                ++i_;
                return sql_.mid(begin, i_ - begin);
            }
            ++i_;
        }
        refuse(QStringLiteral("an unterminated quote"), sql_);
    }

    static QString unquote(const QString& q, QChar delimiter) {
        return q.mid(1, q.size() - 2).replace(QString(2, delimiter), QString(delimiter));
    }

    QString bracketed() {
        const qsizetype close = sql_.indexOf(u']', i_);
        if (close < 0)
            refuse(QStringLiteral("an unterminated name"), sql_);
        const QString name = sql_.mid(i_ + 1, close - i_ - 1);
        i_ = close + 1;
        return quotedName(name);
    }

    QString parameter(int& parameterCount) {
        ++i_;
        const QString digits = take([](QChar x) { return x.isDigit(); });
        const int n = digits.isEmpty() ? parameterCount + 1 : digits.toInt();
        parameterCount = std::max(parameterCount, n);
        return QStringLiteral("$%1").arg(n);
    }

    Token word() {
        const QString w = take(isWordChar);
        // A field name, unless it names a function ("date(...)").
        qsizetype next = i_;
        while (next < sql_.size() && sql_[next].isSpace())
            ++next;
        const bool call = next < sql_.size() && sql_[next] == u'(';
        if (!call && isSchemaField(w))
            return {Kind::Name, quotedName(w)};
        return {Kind::Word, w};
    }

    QString symbol() {
        static const QStringList pairs{QStringLiteral("<="), QStringLiteral(">="),
                                       QStringLiteral("<>"), QStringLiteral("!="),
                                       QStringLiteral("||")};
        for (const QString& p : pairs)
            if (QStringView(sql_).sliced(i_).startsWith(p)) {
                i_ += p.size();
                return p;
            }
        return QString(sql_[i_++]);
    }

    const QString& sql_;
    qsizetype i_ = 0;
};

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
        if (name >= 0 && t[static_cast<size_t>(name)].kind == Kind::Word)
            start = name;
        return start;
    }
    if (last.kind != Kind::Name && last.kind != Kind::Word)
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

/// True when a pattern holds ASCII characters only.
bool isAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

/// The operand's text in a collation that allows pattern matching: "C"
/// for a pattern of ASCII characters (ILIKE then folds A to Z byte by
/// byte, the cheap way, and the trigram indexes, made on that expression,
/// serve it), else "C.utf8", where letter case beyond ASCII is folded too.
/// A text field of the register goes as it is, anything else as text.
QString matchedText(const std::vector<Token>& t, int start, int end, bool ascii) {
    const Token& last = t[static_cast<size_t>(end)];
    const QString operand = joined(t, start, end);
    const QString bare =
        last.kind == Kind::Name ? last.text.mid(1, last.text.size() - 2) : last.text;
    const QString collation = ascii ? QStringLiteral("\"C\"") : QStringLiteral("\"C.utf8\"");
    if ((last.kind == Kind::Name || last.kind == Kind::Word) && isTextField(bare))
        return QStringLiteral("(%1 COLLATE %2)").arg(operand, collation);
    return QStringLiteral("(CAST(%1 AS text) COLLATE %2)").arg(operand, collation);
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
        Token& pattern = t[static_cast<size_t>(right)];
        QString match;
        bool ascii = false; // a parameter's value is not known here
        if (pattern.kind == Kind::Param) {
            out.patternParams.insert(pattern.text.mid(1).toInt());
            match = (negated ? QStringLiteral("!~* ") : QStringLiteral("~* ")) + pattern.text;
        } else if (pattern.kind == Kind::Text) {
            const QString desktop = pattern.text.mid(1, pattern.text.size() - 2)
                                        .replace(QStringLiteral("''"), QStringLiteral("'"));
            ascii = isAscii(desktop);
            if (const auto ilike = ilikePattern(desktop))
                match = (negated ? QStringLiteral("NOT ILIKE ") : QStringLiteral("ILIKE ")) +
                        sqlTextLiteral(*ilike);
            else
                match = (negated ? QStringLiteral("!~* ") : QStringLiteral("~* ")) +
                        sqlTextLiteral(likeExpression(desktop));
        } else {
            refuse(QStringLiteral("LIKE needs a text or a parameter as its pattern"), sql);
        }
        const QString text = matchedText(t, start, left, ascii);
        // The operand, NOT, LIKE and the pattern become one token.
        t[static_cast<size_t>(start)] = {Kind::Word, text + QLatin1Char(' ') + match};
        t.erase(t.begin() + start + 1, t.begin() + right + 1);
        i = start;
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
    std::vector<Token> tokens = Tokenizer(engineSql).run(out.parameterCount);
    rewriteLike(tokens, out, engineSql);
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

namespace {

/// Where the character class opening at p[open] == '[' ends, as the
/// register's LIKE reads it (text_match.cpp): the index of ']' or -1 for a
/// '[' that is an ordinary character; `body` and `negated` describe it.
qsizetype classEnd(const QString& p, qsizetype open, qsizetype& body, bool& negated) {
    body = open + 1;
    negated = false;
    if (body + 1 < p.size() && p[body] == u'!' && p[body + 1] != u']') {
        negated = true;
        ++body;
    }
    const qsizetype close = p.indexOf(u']', body);
    if (close < 0 || close == body)
        return -1;
    return close;
}

/// One character written as a regular-expression escape, which means the
/// character itself inside and outside brackets.
QString escaped(char32_t c) {
    if (c <= 0xFFFF)
        return QStringLiteral("\\u%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
    return QStringLiteral("\\U%1").arg(static_cast<uint>(c), 8, 16, QLatin1Char('0'));
}

QString literal(char32_t c) {
    const bool plain =
        (c < 0x80 && QChar(c).isLetterOrNumber()) || (c >= 0x80 && QChar::isLetter(c));
    return plain ? QString::fromUcs4(&c, 1) : escaped(c);
}

} // namespace

QString likeExpression(const QString& pattern) {
    const QString& p = pattern;
    QString out = QStringLiteral("^");
    for (qsizetype i = 0; i < p.size();) {
        const QChar c = p[i];
        if (c == u'*') {
            out += QStringLiteral(".*");
            ++i;
        } else if (c == u'?') {
            out += u'.';
            ++i;
        } else if (c == u'#') {
            out += QStringLiteral("[0-9]");
            ++i;
        } else if (c == u'[') {
            qsizetype body = 0;
            bool negated = false;
            const qsizetype close = classEnd(p, i, body, negated);
            if (close < 0) {
                out += escaped(U'[');
                ++i;
                continue;
            }
            out += negated ? QStringLiteral("[^") : QStringLiteral("[");
            const QList<uint> members = p.mid(body, close - body).toUcs4();
            for (qsizetype k = 0; k < members.size(); ++k) {
                const char32_t low = members[k];
                if (k + 2 < members.size() && members[k + 1] == u'-') {
                    out += escaped(low) + u'-' + escaped(members[k + 2]);
                    k += 2;
                } else {
                    out += escaped(low);
                }
            }
            out += u']';
            i = close + 1;
        } else {
            const bool pair = c.isHighSurrogate() && i + 1 < p.size() && p[i + 1].isLowSurrogate();
            const char32_t code = pair ? QChar::surrogateToUcs4(c, p[i + 1]) : c.unicode();
            out += literal(code);
            i += pair ? 2 : 1;
        }
    }
    return out + u'$';
}

std::optional<QString> ilikePattern(const QString& pattern) {
    QString out;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'#')
            return std::nullopt;
        if (c == u'[') {
            qsizetype body = 0;
            bool negated = false;
            if (classEnd(pattern, i, body, negated) >= 0)
                return std::nullopt;
            out += c;
        } else if (c == u'*') {
            out += u'%';
        } else if (c == u'?') {
            out += u'_';
        } else if (c == u'%' || c == u'_' || c == u'\\') {
            out += u'\\' + QString(c);
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace store::postgres
