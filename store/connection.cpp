// The backend-independent part of connections: cached table declarations,
// reservation table numbers, write scopes and the conversion of values for
// writing. Every backend's failures reach callers as one EngineError with a
// number and a text that names the register (see each backend).

#include "connection.h"

#include "dialect.h"
#include "engine_error.h"
#include "value.h"

#include <cmath>
#include <limits>
#include <optional>

namespace store {

namespace {

bool isWholeNumber(double d) {
    return std::isfinite(d) && std::floor(d) == d;
}

// Whole number for a Long or Integer field, or nullopt when the value is no
// number. Text is read as the engine reads a typed number ("42", " 42 ").
std::optional<qint64> wholeNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toLongLong();
    case QMetaType::Bool:
        return v.toBool() ? -1 : 0;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = std::nearbyint(v.toDouble()); // halves to even
        if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
            return std::nullopt;
        return static_cast<qint64>(d);
    }
    case QMetaType::QString: {
        const QString t = v.toString().trimmed();
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (ok)
            return n;
        const double d = t.toDouble(&ok);
        if (ok && isWholeNumber(d) && std::fabs(d) < 9.2e18)
            return static_cast<qint64>(d);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

// --- Connection --------------------------------------------------------------

const std::vector<FieldInfo>& Connection::tableFields(const QString& table) {
    const QString key = table.toLower();
    if (auto it = tables_.find(key); it != tables_.end())
        return it->second;
    std::vector<FieldInfo> fields = readTableFields(table);
    if (fields.empty())
        throw EngineError(err::TableNotFound,
                          QStringLiteral("The register has no table named '%1'.").arg(table));
    return tables_.emplace(key, std::move(fields)).first->second;
}

bool Connection::hasTable(const QString& table) {
    return tables_.contains(table.toLower()) || !readTableFields(table).empty();
}

int Connection::lockTableNumber(const QString& table) const {
    const auto all = schema::tables();
    for (size_t i = 0; i < all.size(); ++i)
        if (table.compare(QLatin1String(all[i].name), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return 64 + static_cast<int>(qHash(table.toLower()) % 128);
}

QString Connection::keyColumn(const QString& table) {
    for (const FieldInfo& f : tableFields(table))
        if (f.kind == schema::FieldKind::Counter)
            return quoteIdentifier(f.name);
    throw EngineError(
        err::NotSupported,
        QStringLiteral("The table '%1' has no counter field to tell its rows apart.").arg(table));
}

// --- WriteScope --------------------------------------------------------------

void Connection::requireWritable() const {
    if (readOnly_)
        throw EngineError(err::ReadOnly,
                          QStringLiteral("The register '%1' is open read only: this user may read "
                                         "it but not change it. Nothing was changed.")
                              .arg(location()));
}

WriteScope::WriteScope(Connection& c) : c_(c) {
    c_.requireWritable();
    // A snapshot ends by rolling back: a change joined to it would be
    // reported as made and then lost.
    if (c_.focus_ == Connection::Focus::Snapshot)
        throw EngineError(err::NotSupported,
                          QStringLiteral("Nothing can be changed while the register '%1' is read "
                                         "as one moment's copy on this connection.")
                              .arg(c_.location()));
    if (!c_.inTransaction()) {
        c_.begin();
        own_ = true;
        c_.focus_ = Connection::Focus::Write;
    }
}

WriteScope::~WriteScope() {
    if (own_) {
        c_.rollback();
        c_.focus_ = Connection::Focus::None;
    }
}

void WriteScope::commit() {
    if (!own_)
        return;
    c_.commit();
    own_ = false;
    c_.focus_ = Connection::Focus::None;
}

// --- RegisterMaking ----------------------------------------------------------

RegisterMaking::RegisterMaking(Connection& c) : c_(c) {
    if (c_.focus_ != Connection::Focus::None)
        throw EngineError(err::NotSupported,
                          QStringLiteral("A transaction is already open on this database."));
    c_.focus_ = Connection::Focus::Making;
}

RegisterMaking::~RegisterMaking() {
    c_.focus_ = Connection::Focus::None;
}

// --- conversion on write -----------------------------------------------------

QVariant convertForField(const FieldInfo& f, const QVariant& value) {
    using K = schema::FieldKind;
    if (isNull(value))
        return {};
    auto refuse = [&](const QString& expected) -> EngineError {
        return EngineError(err::ConversionError,
                           QStringLiteral("The value '%1' does not fit the field '%2' (%3).")
                               .arg(value.toString(), f.name, expected));
    };
    switch (f.kind) {
    case K::Counter:
        throw EngineError(
            err::NotSupported,
            QStringLiteral("The field '%1' is numbered by the register and cannot be set.")
                .arg(f.name));
    case K::Long:
    case K::Integer: {
        const bool small = f.kind == K::Integer;
        const qint64 lo = small ? -32768 : std::numeric_limits<qint32>::min();
        const qint64 hi = small ? 32767 : std::numeric_limits<qint32>::max();
        const QString range = QStringLiteral("a whole number from %1 to %2").arg(lo).arg(hi);
        const auto n = wholeNumber(value);
        if (!n || *n < lo || *n > hi)
            throw refuse(range);
        return QVariant(static_cast<int>(*n));
    }
    case K::Date: {
        if (value.typeId() == QMetaType::QDateTime)
            return QVariant(dialect::storedDate(value.toDateTime()));
        if (value.typeId() == QMetaType::QDate && value.toDate().isValid())
            return QVariant(dialect::storedDate(QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)));
        if (value.typeId() == QMetaType::QString)
            if (const auto d = dialect::parseDateLiteral(value.toString().trimmed()))
                return QVariant(dialect::storedDate(*d));
        throw refuse(QStringLiteral("a date"));
    }
    case K::Text:
    case K::Memo: {
        QString t = value.typeId() == QMetaType::QDateTime ? dialect::storedDate(value.toDateTime())
                                                           : value.toString();
        if (f.width > 0 && t.size() > f.width)
            throw EngineError(err::FieldTooSmall,
                              QStringLiteral("The text '%1' is longer than the %2 characters the "
                                             "field '%3' can hold.")
                                  .arg(t)
                                  .arg(f.width)
                                  .arg(f.name));
        return QVariant(t);
    }
    case K::Data:
        if (value.typeId() != QMetaType::QByteArray)
            throw refuse(QStringLiteral("bytes"));
        return value;
    }
    return value;
}

} // namespace store
