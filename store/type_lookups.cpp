// Type lookups (see type_lookups.h). Each lookup keeps its dynaset until
// its next call replaces it, one slot per routine, as the windows expect.

#include "type_lookups.h"

#include "recordset.h"

#include <limits>

namespace store {

namespace {

RecordsetPtr& typeNameSlot() {
    static RecordsetPtr rs;
    return rs;
}

RecordsetPtr& typeRecordPtrSlot() {
    static RecordsetPtr rs;
    return rs;
}

qint16 toTypeNumber(const QVariant& v) {
    const qlonglong n = v.toLongLong();
    if (n < std::numeric_limits<qint16>::min() || n > std::numeric_limits<qint16>::max())
        throw EngineError(err::ConversionError,
                          QStringLiteral("The type number %1 is outside the range of type numbers "
                                         "(-32768 to 32767).")
                              .arg(n));
    return static_cast<qint16>(n);
}

} // namespace

bool fnIsBlank(const QString& pText) {
    for (const QChar c : pText)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

QString fnTypeName(const Database& db, qint16 pTypeRecordPtr) {
    RecordsetPtr& rs = typeNameSlot();
    rs = db.openRecordset(query::Select(QStringLiteral("Types")), RecordsetType::Dynaset);
    rs->findFirst(QStringLiteral("RecordPtr = ?"), {pTypeRecordPtr});
    if (rs->noMatch())
        return {};
    return rs->field(QStringLiteral("Type")).toString();
}

qint16 fnTypeRecordPtr(const Database& db, const QString& pType) {
    RecordsetPtr& rs = typeRecordPtrSlot();
    rs = db.openRecordset(query::Select(QStringLiteral("Types")), RecordsetType::Dynaset);
    rs->findFirst(QStringLiteral("Type = ?"), {pType});
    if (rs->noMatch())
        return 0;
    return toTypeNumber(rs->field(QStringLiteral("RecordPtr")));
}

TypeList typeList(const Database& db) {
    query::Select types{QStringLiteral("Types"),
                        {QStringLiteral("Type"), QStringLiteral("RecordPtr")}};
    RecordsetPtr rs =
        db.openRecordset(types.orderBy(QStringLiteral("Type")), RecordsetType::Snapshot);
    TypeList list;
    list.names.reserve(rs->recordCount());
    list.recordPtrs.reserve(static_cast<size_t>(rs->recordCount()) + 1);
    list.recordPtrs.push_back(0);
    for (; !rs->eof(); rs->moveNext()) {
        QString name = rs->field(QStringLiteral("Type")).toString();
        qsizetype end = name.size();
        while (end > 0 && name.at(end - 1) == QLatin1Char(' '))
            --end;
        name.truncate(end);
        list.recordPtrs.push_back(toTypeNumber(rs->field(QStringLiteral("RecordPtr"))));
        list.names << name;
    }
    return list;
}

} // namespace store
