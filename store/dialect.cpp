// The program's SQL dialect turned into SQLite's: date literals, TOP n, the
// shape of keyable SELECTs, stored dates and FindFirst criteria.
//
// Everything here scans the text once, left to right, skipping quoted texts
// ('...') and quoted names ("...", [...], `...`) as whole units so that
// nothing inside them is ever taken for a keyword, a '#' or a '('. Costs are
// linear in the statement's length; nothing is cached.

#include "dialect.h"

#include "engine_error.h"

#include <QStringView>
#include <initializer_list>
#include <limits>

namespace store::dialect {
namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

qsizetype skipSpace(QStringView s, qsizetype i) {
    while (i < s.size() && s[i].isSpace())
        ++i;
    return i;
}

/// The run of word characters starting at s[i] (empty if there is none).
QStringView wordAt(QStringView s, qsizetype i) {
    qsizetype end = i;
    while (end < s.size() && isWordChar(s[end]))
        ++end;
    return s.sliced(i, end - i);
}

bool isKeyword(QStringView word, QStringView keyword) {
    return word.compare(keyword, Qt::CaseInsensitive) == 0;
}

bool isAnyKeyword(QStringView word, std::initializer_list<QStringView> keywords) {
    for (QStringView k : keywords)
        if (isKeyword(word, k))
            return true;
    return false;
}

bool opensQuote(QChar c) {
    return c == u'\'' || c == u'"' || c == u'[' || c == u'`';
}

/// The index just past the quoted unit opening at s[open], or -1 when it is
/// not closed. Inside '...', "..." and `...` a doubled delimiter stands for
/// one; [...] ends at the first ']'.
qsizetype quotedEnd(QStringView s, qsizetype open) {
    const QChar delimiter = s[open] == u'[' ? QChar(u']') : s[open];
    const bool doubles = s[open] != u'[';
    for (qsizetype i = open + 1; i < s.size(); ++i) {
        if (s[i] != delimiter)
            continue;
        if (doubles && i + 1 < s.size() && s[i + 1] == delimiter) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

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
    const QStringView s(statement);
    qsizetype i = skipSpace(s, 0);
    if (!isKeyword(wordAt(s, i), u"SELECT"))
        return {statement, 0};
    i = skipSpace(s, i + 6);
    if (const QStringView w = wordAt(s, i); isAnyKeyword(w, {u"DISTINCT", u"ALL"}))
        i = skipSpace(s, i + w.size());
    if (!isKeyword(wordAt(s, i), u"TOP"))
        return {statement, 0};
    const qsizetype top = i;
    i = skipSpace(s, i + 3);
    const qsizetype digits = digitRun(s, i);
    const qsizetype numberEnd = i + digits;
    const bool wellEnded = numberEnd == s.size() || (!isWordChar(s[numberEnd]) &&
                                                     s[numberEnd] != u'.' && s[numberEnd] != u',');
    bool ok = false;
    const qlonglong n = s.sliced(i, digits).toLongLong(&ok);
    if (digits == 0 || !wellEnded || !ok || n <= 0)
        syntaxError(QStringLiteral("Syntax error in TOP clause: a positive whole number must "
                                   "follow TOP in '%1'.")
                        .arg(statement));
    const qsizetype rest = skipSpace(s, numberEnd);
    if (isKeyword(wordAt(s, rest), u"PERCENT"))
        syntaxError(QStringLiteral("TOP n PERCENT is not supported in '%1'.").arg(statement));
    return {statement.left(top) + statement.mid(rest), n};
}

/// The statement with the insides of every quoted unit replaced by '~', so
/// that keywords, '(' and ',' can be searched for without being fooled by
/// quoted texts. Same length as the statement; nullopt if a quote is open.
std::optional<QString> masked(const QString& statement) {
    QString out = statement;
    const QStringView s(statement);
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (!opensQuote(s[i]))
            continue;
        const qsizetype end = quotedEnd(s, i);
        if (end < 0)
            return std::nullopt;
        for (qsizetype k = i; k < end; ++k)
            out[k] = u'~';
        i = end - 1;
    }
    return out;
}

QString twoDigits(int n) {
    return QString::number(n).rightJustified(2, u'0');
}

} // namespace

QString translate(const QString& statement) {
    const TopClause top = takeTop(statement);
    const QStringView s(top.statement);
    QString out;
    out.reserve(s.size() + 16);
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (opensQuote(c)) {
            const qsizetype end = quotedEnd(s, i);
            if (end < 0)
                syntaxError(c == u'\''
                                ? QStringLiteral("Syntax error in string in query expression "
                                                 "'%1'.")
                                      .arg(s.sliced(i))
                                : QStringLiteral("Syntax error: unterminated name %1 in query "
                                                 "expression.")
                                      .arg(s.sliced(i)));
            out += s.sliced(i, end - i);
            i = end;
        } else if (c == u'#') {
            const qsizetype close = s.indexOf(u'#', i + 1);
            if (close < 0)
                syntaxError(QStringLiteral("Syntax error in date in query expression '%1'.")
                                .arg(s.sliced(i)));
            const QStringView literal = s.sliced(i, close + 1 - i);
            const std::optional<QDateTime> date =
                parseDateLiteral(literal.sliced(1, literal.size() - 2).toString());
            if (!date)
                syntaxError(
                    QStringLiteral("Syntax error in date in query expression '%1'.").arg(literal));
            out += u'\'' + storedDate(*date) + u'\'';
            i = close + 1;
        } else {
            out += c;
            ++i;
        }
    }
    if (top.limit > 0) {
        while (!out.isEmpty() && (out.back().isSpace() || out.back() == u';'))
            out.chop(1);
        out += QStringLiteral(" LIMIT %1").arg(top.limit);
    }
    return out;
}

std::optional<SelectShape> analyseSelect(const QString& translated) {
    const std::optional<QString> mask = masked(translated);
    if (!mask)
        return std::nullopt;
    const QStringView m(*mask);

    qsizetype i = skipSpace(m, 0);
    if (!isKeyword(wordAt(m, i), u"SELECT"))
        return std::nullopt;
    const qsizetype columnsBegin = i + 6;

    // The select list: up to the first FROM; no function, no DISTINCT.
    qsizetype from = -1;
    for (i = columnsBegin; i < m.size();) {
        const QStringView w = wordAt(m, i);
        if (w.isEmpty()) {
            if (m[i] == u'(')
                return std::nullopt;
            ++i;
            continue;
        }
        if (isKeyword(w, u"FROM")) {
            from = i;
            break;
        }
        if (isAnyKeyword(w, {u"DISTINCT", u"DISTINCTROW", u"ALL", u"TOP", u"INTO", u"SELECT"}))
            return std::nullopt;
        i += w.size();
    }
    if (from < 0)
        return std::nullopt;
    const QString columns = translated.mid(columnsBegin, from - columnsBegin).trimmed();
    if (columns.isEmpty())
        return std::nullopt;

    // The one table, bare or quoted.
    const qsizetype nameBegin = skipSpace(m, from + 4);
    if (nameBegin == from + 4 || nameBegin >= m.size())
        return std::nullopt;
    QString table;
    qsizetype nameEnd = 0;
    const QChar first = translated[nameBegin];
    if (opensQuote(first) && first != u'\'') {
        nameEnd = quotedEnd(translated, nameBegin);
        table = translated.mid(nameBegin + 1, nameEnd - nameBegin - 2);
        if (first != u'[')
            table.replace(QString(2, first), QString(first));
    } else {
        nameEnd = nameBegin + wordAt(m, nameBegin).size();
        table = translated.mid(nameBegin, nameEnd - nameBegin);
    }
    if (table.isEmpty())
        return std::nullopt;

    // The tail: nothing between the table and WHERE/ORDER/LIMIT (no second
    // table, no alias, no join), and no keyword that groups, combines or
    // nests queries anywhere in it.
    const QStringView tail = m.sliced(nameEnd);
    const qsizetype lead = skipSpace(tail, 0);
    if (lead < tail.size() && tail[lead] != u';' &&
        !isAnyKeyword(wordAt(tail, lead), {u"WHERE", u"ORDER", u"LIMIT"}))
        return std::nullopt;
    for (qsizetype k = 0; k < tail.size();) {
        const QStringView w = wordAt(tail, k);
        if (w.isEmpty()) {
            if (tail[k] == u';' && skipSpace(tail, k + 1) < tail.size() &&
                tail[skipSpace(tail, k + 1)] != u';')
                return std::nullopt; // a second statement
            ++k;
            continue;
        }
        if (isAnyKeyword(w, {u"SELECT", u"FROM", u"GROUP", u"HAVING", u"JOIN", u"UNION",
                             u"INTERSECT", u"EXCEPT", u"WINDOW"}))
            return std::nullopt;
        k += w.size();
    }
    return SelectShape{columns, table, translated.mid(nameEnd)};
}

QString wrapNames(const QString& tail, const QStringList& names, const QString& pattern) {
    const QStringView s(tail);
    const auto named = [&](const QString& name) {
        return names.contains(name, Qt::CaseInsensitive);
    };
    // A reference, not a function call ("date(...)") or part of a
    // qualified name: the characters around it decide.
    const auto standsAlone = [&](qsizetype begin, qsizetype end) {
        const qsizetype next = skipSpace(s, end);
        return (begin == 0 || s[begin - 1] != u'.') &&
               (next == s.size() || (s[next] != u'(' && s[next] != u'.'));
    };
    QString out;
    out.reserve(tail.size() + 32);
    for (qsizetype i = 0; i < s.size();) {
        qsizetype end = i;
        QString name;
        if (opensQuote(s[i])) {
            end = quotedEnd(s, i);
            if (end < 0)
                return tail; // translate() has refused such a statement already
            if (s[i] != u'\'') {
                name = s.sliced(i + 1, end - i - 2).toString();
                if (s[i] != u'[')
                    name.replace(QString(2, s[i]), QString(s[i]));
            }
        } else if (isWordChar(s[i])) {
            end = i + wordAt(s, i).size();
            name = s.sliced(i, end - i).toString();
        } else {
            out += s[i++];
            continue;
        }
        const QStringView written = s.sliced(i, end - i);
        if (!name.isEmpty() && named(name) && standsAlone(i, end))
            out += pattern.arg(written);
        else
            out += written;
        i = end;
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
        if (c == u'*' || c == u'?' || c == u'#' || c == u'[')
            out += u'[' + QString(c) + u']';
        else
            out += c;
    }
    return out;
}

namespace {

/// Reads a criterion left to right; every failure names the criterion.
class CriterionReader {
public:
    CriterionReader(const QString& text, const QVariantList& parameters)
        : text_(text), s_(text), parameters_(parameters) {}

    std::vector<Condition> read() {
        std::vector<Condition> conditions;
        for (;;) {
            Condition c;
            c.field = readField();
            c.op = readOperator();
            c.value = readValue();
            conditions.push_back(std::move(c));
            pos_ = skipSpace(s_, pos_);
            if (pos_ == s_.size())
                return conditions;
            const QStringView w = wordAt(s_, pos_);
            if (!isKeyword(w, u"AND"))
                fail(u"missing operator");
            pos_ += w.size();
        }
    }

private:
    [[noreturn]] void fail(QStringView what) const {
        throw EngineError(err::ExpressionError,
                          QStringLiteral("Syntax error (%1) in criterion '%2'.").arg(what, text_));
    }

    QString readField() {
        pos_ = skipSpace(s_, pos_);
        if (pos_ < s_.size() && s_[pos_] == u'[') {
            const qsizetype end = quotedEnd(s_, pos_);
            if (end < 0)
                fail(u"missing ']'");
            const QString name = s_.sliced(pos_ + 1, end - pos_ - 2).trimmed().toString();
            if (name.isEmpty())
                fail(u"missing field name");
            pos_ = end;
            return name;
        }
        const QStringView w = wordAt(s_, pos_);
        if (w.isEmpty() || isDigit(w.front()))
            fail(u"missing field name");
        pos_ += w.size();
        return w.toString();
    }

    QString readOperator() {
        pos_ = skipSpace(s_, pos_);
        for (QStringView op : {u"<>", u"<=", u">=", u"<", u">", u"="}) {
            if (s_.sliced(pos_).startsWith(op)) {
                pos_ += op.size();
                return op.toString();
            }
        }
        if (const QStringView w = wordAt(s_, pos_); isKeyword(w, u"LIKE")) {
            pos_ += w.size();
            return QStringLiteral("LIKE");
        }
        fail(u"missing operator");
    }

    QVariant readValue() {
        pos_ = skipSpace(s_, pos_);
        if (pos_ == s_.size())
            fail(u"missing value");
        const QChar c = s_[pos_];
        if (c == u'\'' || c == u'"')
            return readText(c);
        if (c == u'#')
            return readDate();
        if (c == u'?') {
            ++pos_;
            if (next_ >= parameters_.size())
                fail(u"missing parameter value");
            return parameters_[next_++];
        }
        if (c == u'-' || c == u'.' || isDigit(c))
            return readNumber();
        fail(u"missing value");
    }

    QVariant readText(QChar quote) {
        const qsizetype end = quotedEnd(s_, pos_);
        if (end < 0)
            fail(u"missing closing quote");
        QString value = s_.sliced(pos_ + 1, end - pos_ - 2).toString();
        value.replace(QString(2, quote), QString(quote));
        pos_ = end;
        return value;
    }

    QVariant readDate() {
        const qsizetype close = s_.indexOf(u'#', pos_ + 1);
        if (close < 0)
            fail(u"missing closing '#'");
        const std::optional<QDateTime> date =
            parseDateLiteral(s_.sliced(pos_ + 1, close - pos_ - 1).toString());
        if (!date)
            fail(u"invalid date");
        pos_ = close + 1;
        return *date;
    }

    QVariant readNumber() {
        const qsizetype begin = pos_;
        if (s_[pos_] == u'-')
            ++pos_;
        const qsizetype whole = digitRun(s_, pos_);
        pos_ += whole;
        qsizetype fraction = -1;
        if (pos_ < s_.size() && s_[pos_] == u'.') {
            ++pos_;
            fraction = digitRun(s_, pos_);
            pos_ += fraction;
        }
        if ((whole == 0 && fraction <= 0) || fraction == 0 ||
            (pos_ < s_.size() && (isWordChar(s_[pos_]) || s_[pos_] == u'.')))
            fail(u"invalid number");
        const QStringView number = s_.sliced(begin, pos_ - begin);
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
    QStringView s_;                  ///< the same, for reading
    const QVariantList& parameters_; ///< values for "?", in order
    qsizetype pos_ = 0;              ///< read position in s_
    qsizetype next_ = 0;             ///< the next parameter to take
};

} // namespace

std::vector<Condition> parseCriterion(const QString& criterion, const QVariantList& parameters) {
    return CriterionReader(criterion, parameters).read();
}

} // namespace store::dialect
