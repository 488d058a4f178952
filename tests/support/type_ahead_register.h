#pragma once
// A register for the type-ahead tests of the engine and of the fields:
// documents filed by description, a table recordset over Documents with an
// index chosen, and the engine's answer for a typed text.

#include "store/type_ahead.h"
#include "support/register_fixture.h"

class TypeAheadRegister : public RegisterTest {
protected:
    store::RecordsetPtr lookup(const QString& index) {
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        rs->setIndex(index);
        return rs;
    }
    void describe(std::initializer_list<const char*> descriptions) {
        for (const char* d : descriptions)
            add({++lastId, QString::fromUtf8(d)});
    }
    std::optional<QString> best(const QString& typed, store::typeahead::Method method) {
        auto rs = lookup(QStringLiteral("Description"));
        return store::typeahead::bestStoredValue(*rs, QStringLiteral("Description"), typed, method);
    }
    int lastId = 0;
};
