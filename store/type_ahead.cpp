// Type-ahead completion (see type_ahead.h).
//
// The best value is the one of the highest RecordPtr among the index
// entries that begin with the typed text. Those entries lie in the index
// ranges prefixRanges() names; the engine answers "MAX(RecordPtr) over
// those ranges" from the index alone, since the index holds the row id,
// and the register's LIKE (case-blind beyond ASCII too) keeps exactly the
// values that begin with the typed text and are not equal to it.

#include "type_ahead.h"

#include "connection.h"
#include "dialect.h"
#include "query_sql.h"
#include "text_match.h"

#include <QChar>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <limits>
#include <unordered_map>

namespace store {
namespace {

constexpr char32_t HighestCodePoint = 0x10FFFF;

/// A code point as the NOCASE collation sees it: A to Z as a to z,
/// everything else itself.
char32_t noCaseFolded(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
}

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

/// The next code point above c that can stand in a text (no surrogate).
char32_t nextCodePoint(char32_t c) {
    return isSurrogate(c + 1) ? 0xE000 : c + 1;
}

struct Position {
    char32_t code;    ///< the code point
    qsizetype offset; ///< where it starts in the text, in UTF-16 units
};

std::vector<Position> codePoints(const QString& text) {
    std::vector<Position> positions;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        positions.push_back(
            {pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : char32_t(text[i].unicode()), i});
        i += pair ? 2 : 1;
    }
    return positions;
}

/// Every code point beyond ASCII whose case-folded form is `c`'s, `c` and
/// its folded form included. The table from folded forms to the code
/// points that fold to them is built once, on the first call (a few
/// milliseconds over all of Unicode).
std::vector<char32_t> caseForms(char32_t c) {
    static const auto byFold = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> table;
        for (char32_t x = 0x80; x <= HighestCodePoint; ++x)
            if (!isSurrogate(x))
                if (const char32_t f = textmatch::foldCase(x); f != x)
                    table[f].push_back(x);
        return table;
    }();
    const char32_t folded = textmatch::foldCase(c);
    std::vector<char32_t> forms{folded};
    if (const auto it = byFold.find(folded); it != byFold.end())
        forms.insert(forms.end(), it->second.begin(), it->second.end());
    return forms;
}

/// The leading ASCII characters of a text.
QString asciiHead(const QString& text) {
    const auto other =
        std::find_if(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x80; });
    return text.left(other - text.begin());
}

/// A plain SQL identifier (letters, digits, underscore; not a digit first).
bool isIdentifier(const QString& name) {
    if (name.isEmpty() || name[0].isDigit())
        return false;
    for (const QChar c : name)
        if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('_'))))
            return false;
    return true;
}

/// Compares the first characters of `value` with `typed`, letter case
/// ignored as like() ignores it.
int compareHead(const QString& value, const QByteArray& typedUtf8, qsizetype typedLength) {
    const QByteArray head = value.left(typedLength).toUtf8();
    return textmatch::compare({head.constData(), static_cast<std::size_t>(head.size())},
                              {typedUtf8.constData(), static_cast<std::size_t>(typedUtf8.size())});
}

/// The index walk: seek to the typed text's leading ASCII part, which all
/// candidates share in every case form and which NOCASE keeps together,
/// and step while entries begin with it.
std::optional<QString> walkBest(Recordset& lookup, const QString& field, const QString& typed) {
    const QString head = asciiHead(typed);
    lookup.seek(QStringLiteral(">="), head);
    if (lookup.noMatch())
        return std::nullopt;
    const QByteArray headUtf8 = head.toUtf8();
    const QByteArray typedUtf8 = typed.toUtf8();
    const QString recordPtr = QStringLiteral("RecordPtr");
    qint64 bestPtr = 0;
    std::optional<QString> best;
    for (; !lookup.eof(); lookup.moveNext()) {
        const QString value = lookup.field(field).toString();
        if (value.size() < head.size() || compareHead(value, headUtf8, head.size()) != 0)
            break;
        if (value.size() < typed.size() || compareHead(value, typedUtf8, typed.size()) != 0 ||
            value.size() == typed.size())
            continue; // does not begin with the typed text, or equals it
        const qint64 ptr = lookup.field(recordPtr).toLongLong();
        if (ptr > bestPtr) {
            bestPtr = ptr;
            best = value;
        }
    }
    return best;
}

/// How many of the newest documents the first probe looks at.
constexpr int NewestProbe = 256;
/// How many the second looks at on a server, which has no ranges to scan
/// (see queryBest()).
constexpr int NewerProbe = 8192;

/// Writes the statements of one query for the best completion.
class BestQuery {
public:
    BestQuery(Connection& c, const QString& table, const QString& field, const QString& typed)
        : c_(c), table_(table),
          field_(field), beginsWith_{{field, query::Op::Like,
                                      dialect::literalPattern(typed) + QLatin1Char('*')},
                                     {field, query::Op::NotLike, dialect::literalPattern(typed)}} {}

    /// The value of the field in the row of the highest RecordPtr meeting
    /// the condition `meeting` writes (with the writer's parameters), and
    /// beginning with the typed text; empty when no row does.
    std::optional<QString> highest(const std::function<QString(SqlWriter&)>& meeting) const {
        SqlWriter w(c_, table_);
        const QString recordPtr = w.column(QStringLiteral("RecordPtr"));
        QString condition = meeting(w);
        condition +=
            (condition.isEmpty() ? QString() : QStringLiteral(" AND ")) + w.terms(beginsWith_);
        return first(
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = (SELECT MAX(%3) FROM %2 WHERE %4)")
                .arg(w.column(field_), w.table(), recordPtr, condition),
            w);
    }

    /// The same among the newest `probe` rows only, which are read by
    /// RecordPtr whatever the backend's planner would make of the pattern
    /// (a server's would read every row holding the prefix's trigrams).
    std::optional<QString> highestOfNewest(int probe) const {
        SqlWriter w(c_, table_);
        const QString recordPtr = w.column(QStringLiteral("RecordPtr"));
        const QString column = w.column(field_);
        return first(QStringLiteral("SELECT %1 FROM (SELECT %1, %2 FROM %3 ORDER BY %2 DESC "
                                    "LIMIT %4) newest WHERE %5 ORDER BY %2 DESC LIMIT 1")
                         .arg(column, recordPtr, w.table())
                         .arg(probe)
                         .arg(w.terms(beginsWith_)),
                     w);
    }

private:
    /// The first row's value of `sql`, written with `w`'s parameters.
    std::optional<QString> first(const QString& sql, const SqlWriter& w) const {
        const auto st = c_.prepareOwn(sql, static_cast<int>(w.values().size()));
        for (qsizetype i = 0; i < w.values().size(); ++i)
            st->bind(static_cast<int>(i) + 1, w.values()[i]);
        if (!st->step())
            return std::nullopt;
        const QString value = st->column(0, schema::FieldKind::Text, true).toString();
        st->reset();
        return value;
    }

    Connection& c_;
    QString table_;
    QString field_;
    std::vector<query::Condition> beginsWith_;
};

/// The range query; nothing when it cannot be expressed (see header).
///
/// Two steps, because the answer is usually among the newest documents:
/// first the newest NewestProbe rows by row id, testing each with LIKE
/// (which no index serves, so the engine walks row ids down); a match
/// there is the highest one overall. Only without one are the index ranges
/// of the prefix scanned whole.
std::optional<std::optional<QString>> queryBest(Recordset& lookup, const QString& field,
                                                const QString& typed) {
    const QString table = lookup.source();
    if (!isIdentifier(table) || !isIdentifier(field) || typed.contains(QChar(0)) ||
        !typed.isValidUtf16())
        return std::nullopt;
    Connection& c = *lookup.database().connection();
    const BestQuery best(c, table, field, typed);
    // A server sorts text its own (linguistic) way, in which no ranges can
    // be named; its trigram indexes serve the LIKE instead. They hand over
    // every row that holds the prefix's trigrams, which for a prefix many
    // rows share (one in ten holds "Invoice") takes longer than testing a
    // few thousand more of the newest rows, where a prefix that is not
    // rare is usually found.
    if (!c.hasFeature(Feature::SortsTextByCodePoint)) {
        for (const int probe : {NewestProbe, NewerProbe})
            if (auto found = best.highestOfNewest(probe))
                return found;
        return best.highest([](SqlWriter&) { return QString(); });
    }
    if (auto found = best.highest([](SqlWriter& w) {
            return QStringLiteral("%1 > (SELECT MAX(%1) FROM %2) - %3")
                .arg(w.column(QStringLiteral("RecordPtr")), w.table())
                .arg(NewestProbe);
        }))
        return found;
    return best.highest([&](SqlWriter& w) {
        QStringList ranges;
        for (const typeahead::Range& r : typeahead::prefixRanges(typed)) {
            std::vector<query::Condition> range{{field, query::Op::GreaterEqual, r.low}};
            if (r.high)
                range.push_back({field, query::Op::Less, *r.high});
            ranges << QLatin1Char('(') + w.terms(range) + QLatin1Char(')');
        }
        return QLatin1Char('(') + ranges.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    });
}

} // namespace

namespace typeahead {

std::optional<QString> prefixUpperBound(const QString& prefix) {
    const std::vector<Position> positions = codePoints(prefix);
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        // The next code point above this one's folded form that is itself a
        // folded form: nothing folds to the code points in between.
        for (char32_t next = noCaseFolded(it->code) + 1; next <= HighestCodePoint; ++next) {
            if (isSurrogate(next) || noCaseFolded(next) != next)
                continue;
            return prefix.left(it->offset) + QString::fromUcs4(&next, 1);
        }
    }
    return std::nullopt;
}

std::vector<Range> prefixRanges(const QString& typed) {
    const std::vector<Position> positions = codePoints(typed);
    const auto other = std::find_if(positions.begin(), positions.end(),
                                    [](const Position& p) { return p.code >= 0x80; });
    if (other == positions.end())
        return {{typed, prefixUpperBound(typed)}};
    const QString head = typed.left(other->offset);
    std::vector<Range> ranges;
    for (const char32_t form : caseForms(other->code)) {
        Range r{head + QString::fromUcs4(&form, 1), std::nullopt};
        if (form < HighestCodePoint) {
            const char32_t next = nextCodePoint(form);
            r.high = head + QString::fromUcs4(&next, 1);
        } else {
            r.high = prefixUpperBound(head);
        }
        ranges.push_back(std::move(r));
    }
    return ranges;
}

std::optional<QString> bestStoredValue(Recordset& lookup, const QString& field,
                                       const QString& typed, Method method) {
    if (!lookup.isOpen())
        throw EngineError(err::ObjectClosed, QStringLiteral("Object invalid or no longer set."));
    if (method == Method::Query)
        if (const auto answer = queryBest(lookup, field, typed))
            return *answer;
    return walkBest(lookup, field, typed);
}

} // namespace typeahead
} // namespace store
