// Type-ahead completion (see type_ahead.h).
//
// The best value is the one of the highest RecordPtr among the index
// entries that begin with the typed text. Under the JETTEXT collation those
// entries form one range of the index, [typed, bound), where bound is the
// typed text with its last character that can be raised replaced by the
// next case-folded code point (prefixUpperBound). The engine answers
// "MAX(RecordPtr) over that range" from the index alone, since the index
// holds the row id; SQLite returns the bare column beside MAX() from the
// row that has the maximum, so the value comes with it.

#include "type_ahead.h"

#include "text_match.h"

#include <QChar>
#include <limits>
#include <vector>

namespace store {
namespace {

constexpr char32_t HighestCodePoint = 0x10FFFF;
constexpr int Max16 = std::numeric_limits<qint16>::max();

/// The case-folded form of a code point, as the collation folds it.
char32_t folded(char32_t c) {
    return QChar::toCaseFolded(c);
}

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

qsizetype lengthWithoutTrailingBlanks(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    return n;
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

/// A text literal of the program's dialect: quotes doubled inside.
QString quoted(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

/// True when the first characters of `value` equal `typed`, letter case
/// ignored as the collation ignores it.
bool beginsWith(const QString& value, const QByteArray& typedUtf8, qsizetype typedLength) {
    if (value.size() < typedLength)
        return false;
    const QByteArray head = value.left(typedLength).toUtf8();
    return textmatch::compare(
               {head.constData(), static_cast<std::size_t>(head.size())},
               {typedUtf8.constData(), static_cast<std::size_t>(typedUtf8.size())}) == 0;
}

/// The index walk: seek past the typed text, step while entries begin with it.
std::optional<QString> walkBest(Recordset& lookup, const QString& field, const QString& typed) {
    lookup.seek(QStringLiteral(">"), typed);
    if (lookup.noMatch())
        return std::nullopt;
    const QByteArray typedUtf8 = typed.toUtf8();
    const QString recordPtr = QStringLiteral("RecordPtr");
    qint64 bestPtr = 0;
    std::optional<QString> best;
    for (; !lookup.eof(); lookup.moveNext()) {
        const QString value = lookup.field(field).toString();
        if (!beginsWith(value, typedUtf8, typed.size()))
            break;
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

/// One statement that yields the highest RecordPtr meeting `condition`
/// (and the field's value of that row); empty when no row does.
std::optional<QString> highestMeeting(const Database& db, const QString& field,
                                      const QString& table, const QString& condition) {
    const auto rs =
        db.openRecordset(QStringLiteral("SELECT MAX(RecordPtr) AS BestPtr, %1 FROM %2 WHERE %3")
                             .arg(field, table, condition),
                         RecordsetType::Snapshot);
    if (rs->eof() || isNull(rs->field(QStringLiteral("BestPtr"))))
        return std::nullopt;
    return rs->field(field).toString();
}

/// The range query; nothing when it cannot be expressed (see header).
///
/// Two steps, because the answer is usually among the newest documents:
/// first the newest NewestProbe rows by row id, testing the range on each
/// ("+field" keeps the column's collation but stops the engine from using
/// the index, so it walks row ids down); a match there is the highest one
/// overall. Only without one does the index range get scanned whole.
std::optional<std::optional<QString>> queryBest(Recordset& lookup, const QString& field,
                                                const QString& typed) {
    const QString table = lookup.source();
    if (!isIdentifier(table) || !isIdentifier(field) || typed.contains(QChar(0)) ||
        !typed.isValidUtf16())
        return std::nullopt;
    const auto bound = typeahead::prefixUpperBound(typed);
    auto range = [&](const QString& column) {
        QString condition = QStringLiteral("%1 > %2").arg(column, quoted(typed));
        if (bound)
            condition += QStringLiteral(" AND %1 < %2").arg(column, quoted(*bound));
        return condition;
    };
    const Database db = lookup.database();
    const QString newest = QStringLiteral("RecordPtr > (SELECT MAX(RecordPtr) FROM %1) - %2 AND ")
                               .arg(table)
                               .arg(NewestProbe);
    if (auto best = highestMeeting(db, field, table, newest + range(QLatin1Char('+') + field)))
        return best;
    return highestMeeting(db, field, table, range(field));
}

/// Marks the control whose text the routine is setting, so that the text
/// change this raises does not complete a second time.
class CompletingGuard {
public:
    explicit CompletingGuard(const TextControl& control) : previous_(current) {
        current = &control;
    }
    ~CompletingGuard() { current = previous_; }
    CompletingGuard(const CompletingGuard&) = delete;
    CompletingGuard& operator=(const CompletingGuard&) = delete;

    static bool isCompleting(const TextControl& control) { return current == &control; }

private:
    static thread_local const TextControl* current; ///< control being completed, or null
    const TextControl* previous_;                   ///< restored when the guard ends
};

thread_local const TextControl* CompletingGuard::current = nullptr;

void typeAhead(TextControl& control, Recordset& lookup, const QString& field, qint16& pSelStart,
               qint16& pSelLength) {
    const int start = control.selectionStart();
    const int length = control.selectionLength();
    const bool fits = start >= 0 && start <= Max16 && length >= 0 && length <= Max16;
    // A start of 0 tells the caller to leave the selection alone, which is
    // also the safe answer for a selection the 16-bit results cannot carry.
    pSelStart = fits ? static_cast<qint16>(start) : qint16(0);
    pSelLength = fits ? static_cast<qint16>(length) : qint16(0);
    if (CompletingGuard::isCompleting(control)) {
        pSelStart = 0;
        pSelLength = 0;
        return;
    }

    const QString typed = control.text();
    if (typed.size() <= 2 || start != typed.size())
        return;
    std::optional<QString> best;
    try {
        best = typeahead::bestStoredValue(lookup, field, typed);
    } catch (const EngineError&) {
        return; // no completion is the harmless outcome of a lookup that failed
    }
    if (!best || lengthWithoutTrailingBlanks(*best) <= lengthWithoutTrailingBlanks(typed) ||
        best->size() > Max16)
        return;
    {
        CompletingGuard guard(control);
        control.setText(*best);
    }
    pSelStart = static_cast<qint16>(start);
    pSelLength = static_cast<qint16>(best->size() - start);
}

} // namespace

void TypeAheadDescription(TextControl& control, Recordset& rsDescription, qint16& pSelStart,
                          qint16& pSelLength) {
    typeAhead(control, rsDescription, QStringLiteral("Description"), pSelStart, pSelLength);
}

void TypeAheadWho(TextControl& control, Recordset& rsWho, qint16& pSelStart, qint16& pSelLength) {
    typeAhead(control, rsWho, QStringLiteral("Who"), pSelStart, pSelLength);
}

namespace typeahead {

std::optional<QString> prefixUpperBound(const QString& prefix) {
    struct Position {
        char32_t code;    ///< the code point
        qsizetype offset; ///< where it starts in the prefix, in UTF-16 units
    };
    std::vector<Position> positions;
    for (qsizetype i = 0; i < prefix.size();) {
        const bool pair =
            prefix[i].isHighSurrogate() && i + 1 < prefix.size() && prefix[i + 1].isLowSurrogate();
        positions.push_back({pair ? QChar::surrogateToUcs4(prefix[i], prefix[i + 1])
                                  : char32_t(prefix[i].unicode()),
                             i});
        i += pair ? 2 : 1;
    }
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        // The next code point above this one's folded form that is itself a
        // folded form: nothing folds to the code points in between.
        for (char32_t next = folded(it->code) + 1; next <= HighestCodePoint; ++next) {
            if (isSurrogate(next) || folded(next) != next)
                continue;
            return prefix.left(it->offset) + QString::fromUcs4(&next, 1);
        }
    }
    return std::nullopt;
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
