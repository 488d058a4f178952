// The program's SQL dialect turned into SQLite's: date literals, TOP n, the
// shape of keyable SELECTs, stored dates and FindFirst criteria.
//
// Everything here reads the statement as tokens (sql_tokens.h), so quoted
// texts, quoted names and comments are whole units and nothing inside them
// is ever taken for a keyword, a '#' or a '('. Costs are linear in the
// statement's length; nothing is cached.

#include "dialect.h"

#include "engine_error.h"
#include "like_pattern.h"
#include "sql_tokens.h"

#include <QStringView>
#include <initializer_list>
#include <limits>

namespace store::dialect {
namespace {

using sql::Token;
using sql::TokenKind;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

qsizetype skipSpace(QStringView s, qsizetype i) {
    while (i < s.size() && s[i].isSpace())
        ++i;
    return i;
}

bool isKeyword(QStringView word, QStringView keyword) {
    return sql::isKeyword(word, keyword);
}

/// A statement and its tokens, read together.
struct Tokens {
    explicit Tokens(QStringView text, sql::Hash hash = sql::Hash::Symbol)
        : s(text), t(sql::tokenize(text, hash)) {}

    QStringView s;
    std::vector<Token> t;

    int size() const { return static_cast<int>(t.size()); }
    const Token& operator[](int i) const { return t[static_cast<size_t>(i)]; }
    QStringView text(int i) const { return (*this)[i].in(s); }
    int nextSolid(int i) const { return sql::nextSolid(t, i); }
    bool isWord(int i, QStringView keyword) const {
        return i >= 0 && i < size() && (*this)[i].kind == TokenKind::Word &&
               isKeyword(text(i), keyword);
    }
    bool isAnyWord(int i, std::initializer_list<QStringView> keywords) const {
        for (QStringView k : keywords)
            if (isWord(i, k))
                return true;
        return false;
    }
    bool isSymbol(int i, QStringView symbol) const {
        return i >= 0 && i < size() && (*this)[i].kind == TokenKind::Symbol && text(i) == symbol;
    }
    bool any(TokenKind kind) const {
        for (const Token& token : t)
            if (token.kind == kind)
                return true;
        return false;
    }
};

[[noreturn]] void syntaxError(const QString& text) {
    throw EngineError(err::SyntaxError, text);
}

/// Reads a run of ASCII digits starting at s[i]; returns its length.
qsizetype digitRun(QStringView s, qsizetype i) {
    qsizetype end = i;
    while (end < s.size() && isDigit(s[end]))
        ++end;
    return end - i;
}

/// "SELECT [DISTINCT|ALL] TOP n rest" without "TOP n ", and n; or the
/// statement unchanged and 0 when it has no TOP.
struct TopClause {
    QString statement;
    qlonglong limit = 0;
};

TopClause takeTop(const QString& statement) {
    const Tokens t(statement, sql::Hash::DateLiteral);
    int i = t.nextSolid(-1);
    if (!t.isWord(i, u"SELECT"))
        return {statement, 0};
    i = t.nextSolid(i);
    if (t.isAnyWord(i, {u"DISTINCT", u"ALL"}))
        i = t.nextSolid(i);
    if (!t.isWord(i, u"TOP"))
        return {statement, 0};
    const qsizetype top = t[i].begin;
    const int number = t.nextSolid(i);
    const QStringView digits =
        number >= 0 && t[number].kind == TokenKind::Number ? t.text(number) : QStringView();
    bool ok = digitRun(digits, 0) == digits.size();
    const qlonglong n = ok ? digits.toLongLong(&ok) : 0;
    if (digits.isEmpty() || !ok || n <= 0 || t.isSymbol(number + 1, u","))
        syntaxError(QStringLiteral("Syntax error in TOP clause: a positive whole number must "
                                   "follow TOP in '%1'.")
                        .arg(statement));
    int rest = number + 1;
    if (rest < t.size() && t[rest].kind == TokenKind::Space)
        ++rest;
    if (t.isWord(rest, u"PERCENT"))
        syntaxError(QStringLiteral("TOP n PERCENT is not supported in '%1'.").arg(statement));
    return {statement.left(top) + statement.mid(rest < t.size() ? t[rest].begin : t.s.size()), n};
}

/// The refusal of a unit that is not closed.
[[noreturn]] void unclosed(QStringView rest) {
    if (rest.front() == u'\'')
        syntaxError(QStringLiteral("Syntax error in string in query expression '%1'.").arg(rest));
    if (rest.front() == u'#')
        syntaxError(QStringLiteral("Syntax error in date in query expression '%1'.").arg(rest));
    syntaxError(
        QStringLiteral("Syntax error: unterminated name %1 in query expression.").arg(rest));
}

QString twoDigits(int n) {
    return QString::number(n).rightJustified(2, u'0');
}

} // namespace

QString translate(const QString& statement) {
    const TopClause top = takeTop(statement);
    const Tokens t(top.statement, sql::Hash::DateLiteral);
    QString out;
    out.reserve(t.s.size() + 16);
    qsizetype statementEnd = 0; // the end of the last token that is not ';', space or comment
    QString trailing;           // the comments after it
    for (int i = 0; i < t.size(); ++i) {
        const QStringView text = t.text(i);
        switch (t[i].kind) {
        case TokenKind::Open:
            unclosed(text);
        case TokenKind::Date: {
            const std::optional<QDateTime> date =
                parseDateLiteral(text.sliced(1, text.size() - 2).toString());
            if (!date)
                syntaxError(
                    QStringLiteral("Syntax error in date in query expression '%1'.").arg(text));
            out += u'\'' + storedDate(*date) + u'\'';
            break;
        }
        default:
            out += text;
        }
        if (t[i].kind == TokenKind::Comment) {
            trailing += u' ' + text.toString();
        } else if (t[i].solid() && !t.isSymbol(i, u";")) {
            statementEnd = out.size();
            trailing.clear();
        }
    }
    if (top.limit > 0) // before the end's ';' and after any comment that is not at the end
        out = out.left(statementEnd) + QStringLiteral(" LIMIT %1").arg(top.limit) + trailing;
    return out;
}

std::optional<SelectShape> analyseSelect(const QString& translated) {
    const Tokens t(translated);
    // A comment could swallow what the engine puts after the select list or
    // the tail; such statements are read whole instead.
    if (t.any(TokenKind::Open) || t.any(TokenKind::Comment))
        return std::nullopt;
    int i = t.nextSolid(-1);
    if (!t.isWord(i, u"SELECT"))
        return std::nullopt;
    const qsizetype columnsBegin = t[i].end();

    // The select list: up to the first FROM; no function, no DISTINCT.
    int from = t.nextSolid(i);
    for (; from >= 0 && !t.isWord(from, u"FROM"); from = t.nextSolid(from))
        if (t.isSymbol(from, u"(") ||
            t.isAnyWord(from, {u"DISTINCT", u"DISTINCTROW", u"ALL", u"TOP", u"INTO", u"SELECT"}))
            return std::nullopt;
    if (from < 0)
        return std::nullopt;
    const QString columns = translated.mid(columnsBegin, t[from].begin - columnsBegin).trimmed();
    if (columns.isEmpty())
        return std::nullopt;

    // The one table, bare or quoted, after a space.
    const int name = from + 2;
    if (from + 1 >= t.size() || t[from + 1].kind != TokenKind::Space || name >= t.size() ||
        (t[name].kind != TokenKind::Word &&
         (t[name].kind != TokenKind::Name || t.text(name).size() < 3)))
        return std::nullopt;
    const QString table = sql::nameOf(t.text(name));

    // The tail: nothing between the table and WHERE/ORDER/LIMIT (no second
    // table, no alias, no join), and no keyword that groups, combines or
    // nests queries anywhere in it.
    const int lead = t.nextSolid(name);
    if (lead >= 0 && !t.isSymbol(lead, u";") && !t.isAnyWord(lead, {u"WHERE", u"ORDER", u"LIMIT"}))
        return std::nullopt;
    for (int k = lead; k >= 0; k = t.nextSolid(k)) {
        if (t.isSymbol(k, u";")) {
            const int next = t.nextSolid(k);
            if (next >= 0 && !t.isSymbol(next, u";"))
                return std::nullopt; // a second statement
        }
        if (t.isAnyWord(k, {u"SELECT", u"FROM", u"GROUP", u"HAVING", u"JOIN", u"UNION",
                            u"INTERSECT", u"EXCEPT", u"WINDOW"}))
            return std::nullopt;
    }
    return SelectShape{columns, table, translated.mid(t[name].end())};
}

QString wrapNames(const QString& tail, const QStringList& names, const QString& pattern) {
    const Tokens t(tail);
    if (t.any(TokenKind::Open))
        return tail; // translate() has refused such a statement already
    // A reference, not a function call ("date(...)") or part of a
    // qualified name: the tokens around it decide.
    const auto standsAlone = [&](int i) {
        int next = i + 1;
        if (next < t.size() && t[next].kind == TokenKind::Space)
            ++next;
        return !t.isSymbol(i - 1, u".") && !t.isSymbol(next, u"(") && !t.isSymbol(next, u".");
    };
    QString out;
    out.reserve(tail.size() + 32);
    for (int i = 0; i < t.size(); ++i) {
        const QStringView written = t.text(i);
        const bool isName = t[i].kind == TokenKind::Word || t[i].kind == TokenKind::Name;
        const QString name = isName ? sql::nameOf(written) : QString();
        if (!name.isEmpty() && names.contains(name, Qt::CaseInsensitive) && standsAlone(i))
            out += pattern.arg(written);
        else
            out += written;
    }
    return out;
}

std::optional<QDateTime> parseDateLiteral(const QString& body) {
    const QStringView s = QStringView(body).trimmed();
    qsizetype i = 0;
    // Reads a number of minDigits..maxDigits ASCII digits; -1 if there is none.
    const auto number = [&](qsizetype minDigits, qsizetype maxDigits, qsizetype* length = nullptr) {
        const qsizetype n = digitRun(s, i);
        if (n < minDigits || n > maxDigits)
            return -1;
        const int value = s.sliced(i, n).toInt();
        i += n;
        if (length)
            *length = n;
        return value;
    };
    const auto expect = [&](QChar c) {
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    };

    const int month = number(1, 2);
    if (month < 0 || !expect(u'/'))
        return std::nullopt;
    const int day = number(1, 2);
    if (day < 0 || !expect(u'/'))
        return std::nullopt;
    qsizetype yearDigits = 0;
    int year = number(2, 4, &yearDigits);
    if (year < 0 || yearDigits == 3)
        return std::nullopt;
    if (yearDigits == 2)
        year += year < 30 ? 2000 : 1900;
    else if (year < 100)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    if (i == s.size())
        return QDateTime(date, QTime(0, 0), Qt::UTC);

    // The time of day: blank, h:mm[:ss], optional AM/PM.
    if (!s[i].isSpace())
        return std::nullopt;
    i = skipSpace(s, i);
    int hour = number(1, 2);
    if (hour < 0 || !expect(u':'))
        return std::nullopt;
    const int minute = number(2, 2);
    if (minute < 0)
        return std::nullopt;
    int second = 0;
    if (expect(u':') && (second = number(2, 2)) < 0)
        return std::nullopt;
    i = skipSpace(s, i);
    const QStringView half = s.sliced(i);
    if (isKeyword(half, u"AM") || isKeyword(half, u"PM")) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (isKeyword(half, u"PM") ? 12 : 0);
    } else if (!half.isEmpty()) {
        return std::nullopt;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return QDateTime(date, QTime(hour, minute, second), Qt::UTC);
}

QString storedDate(const QDateTime& value) {
    if (!value.isValid())
        return {};
    const QDate d = value.date();
    const QTime t = value.time();
    QString out = QString::number(d.year()).rightJustified(4, u'0') + u'-' + twoDigits(d.month()) +
                  u'-' + twoDigits(d.day());
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0)
        out += u' ' + twoDigits(t.hour()) + u':' + twoDigits(t.minute()) + u':' +
               twoDigits(t.second());
    return out;
}

QString literalPattern(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (likepattern::opensElement(c.unicode()))
            out += u'[' + QString(c) + u']';
        else
            out += c;
    }
    return out;
}

namespace {

/// Reads a criterion token by token; every failure names the criterion.
class CriterionReader {
public:
    CriterionReader(const QString& text, const QVariantList& parameters)
        : text_(text), t_(text, sql::Hash::DateLiteral), parameters_(parameters) {}

    std::vector<Condition> read() {
        std::vector<Condition> conditions;
        for (;;) {
            Condition c;
            c.field = readField();
            c.op = readOperator();
            c.value = readValue();
            conditions.push_back(std::move(c));
            skipSpace();
            if (k_ == t_.size())
                return conditions;
            if (!t_.isWord(k_, u"AND"))
                fail(u"missing operator");
            ++k_;
        }
    }

private:
    [[noreturn]] void fail(QStringView what) const {
        throw EngineError(err::ExpressionError,
                          QStringLiteral("Syntax error (%1) in criterion '%2'.").arg(what, text_));
    }

    void skipSpace() {
        while (k_ < t_.size() && t_[k_].kind == TokenKind::Space)
            ++k_;
    }
    /// The current token's kind and text; Space for the end.
    TokenKind kind() const { return k_ < t_.size() ? t_[k_].kind : TokenKind::Space; }
    QChar first() const { return k_ < t_.size() ? t_.text(k_).front() : QChar(); }

    QString readField() {
        skipSpace();
        if (first() == u'[') {
            if (kind() == TokenKind::Open)
                fail(u"missing ']'");
            const QString name = sql::nameOf(t_.text(k_++)).trimmed();
            if (name.isEmpty())
                fail(u"missing field name");
            return name;
        }
        if (kind() != TokenKind::Word)
            fail(u"missing field name");
        return t_.text(k_++).toString();
    }

    QString readOperator() {
        skipSpace();
        if (kind() == TokenKind::Symbol)
            for (QStringView op : {u"<>", u"<=", u">=", u"<", u">", u"="})
                if (t_.text(k_) == op) {
                    ++k_;
                    return op.toString();
                }
        if (t_.isWord(k_, u"LIKE")) {
            ++k_;
            return QStringLiteral("LIKE");
        }
        fail(u"missing operator");
    }

    QVariant readValue() {
        skipSpace();
        if (k_ == t_.size())
            fail(u"missing value");
        const QChar c = first();
        if (kind() == TokenKind::Open)
            fail(c == u'#' ? u"missing closing '#'" : u"missing closing quote");
        if (c == u'\'' || c == u'"')
            return sql::nameOf(t_.text(k_++));
        if (kind() == TokenKind::Date)
            return readDate();
        if (kind() == TokenKind::Parameter) {
            if (t_.text(k_++).size() > 1)
                fail(u"missing operator");
            if (next_ >= parameters_.size())
                fail(u"missing parameter value");
            return parameters_[next_++];
        }
        if (c == u'-' || c == u'.' || kind() == TokenKind::Number)
            return readNumber();
        fail(u"missing value");
    }

    QVariant readDate() {
        const QStringView literal = t_.text(k_++);
        const std::optional<QDateTime> date =
            parseDateLiteral(literal.sliced(1, literal.size() - 2).toString());
        if (!date)
            fail(u"invalid date");
        return *date;
    }

    /// [-][digits][.digits], written without a break.
    QVariant readNumber() {
        const qsizetype begin = t_[k_].begin;
        if (t_.isSymbol(k_, u"-"))
            ++k_;
        if (t_.isSymbol(k_, u"."))
            ++k_;
        if (kind() != TokenKind::Number)
            fail(u"invalid number");
        const QStringView number = t_.s.sliced(begin, t_[k_].end() - begin);
        ++k_;
        qsizetype i = number.front() == u'-' ? 1 : 0;
        const qsizetype whole = digitRun(number, i);
        i += whole;
        qsizetype fraction = -1;
        if (i < number.size() && number[i] == u'.') {
            fraction = digitRun(number, ++i);
            i += fraction;
        }
        if ((whole == 0 && fraction <= 0) || fraction == 0 || i != number.size())
            fail(u"invalid number");
        bool ok = false;
        if (fraction < 0) {
            const qlonglong n = number.toLongLong(&ok);
            if (ok && n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
                return static_cast<int>(n);
            if (ok)
                return n;
        }
        return number.toDouble(); // a decimal, or a whole number past 64 bits
    }

    const QString& text_;            ///< the criterion as given, for messages
    const Tokens t_;                 ///< the same, read
    const QVariantList& parameters_; ///< values for "?", in order
    int k_ = 0;                      ///< the next token to read
    qsizetype next_ = 0;             ///< the next parameter to take
};

} // namespace

std::vector<Condition> parseCriterion(const QString& criterion, const QVariantList& parameters) {
    return CriterionReader(criterion, parameters).read();
}

} // namespace store::dialect
