// Adding and deleting types as single steps (see type_store.h).

#include "type_store.h"

#include "store/dialect.h"
#include "store/transaction.h"

#include <optional>

namespace types_ui {

namespace {

const QString RecordPtrField = QStringLiteral("RecordPtr");
const QString TypeField = QStringLiteral("Type");

using store::query::Op;
using store::query::Select;

/// True when a query returns at least one row.
bool anyRows(const store::Database& db, Select q) {
    q.limit = 1;
    auto rs = db.openRecordset(q, store::RecordsetType::Snapshot);
    const bool any = !(rs->eof() && rs->bof());
    rs->close();
    return any;
}

/// The highest type number in use; called inside the adding transaction,
/// where the row just stored is the one the register numbered last.
int highestRecordPtr(const store::Database& db) {
    Select q{QStringLiteral("Types")};
    q.orderBy(RecordPtrField, true).limit = 1;
    auto rs = db.openRecordset(q, store::RecordsetType::Snapshot);
    const int highest = rs->eof() ? 0 : rs->field(RecordPtrField).toInt();
    rs->close();
    return highest;
}

} // namespace

AddOutcome addType(store::Recordset& types, const QString& name) {
    const store::Database db = types.database();
    std::optional<store::Transaction> tx(std::in_place, db);
    // LIKE with the name as its own pattern: equal but for letter case,
    // also for letters the register's sort order keeps apart (é, É).
    if (anyRows(db, Select{QStringLiteral("Types")}.where(
                        {TypeField, Op::Like, store::dialect::literalPattern(name)})))
        return AddOutcome::Duplicate;
    types.addNew();
    types.setField(TypeField, name);
    types.update();
    // From here on a failure or a refusal rolls the store back (the
    // register's counter with it) and drops the row the recordset took into
    // its list, so that the list shows only what the register holds.
    try {
        if (highestRecordPtr(db) > MaxTypeRecordPtr) {
            tx.reset();
            types.requery();
            return AddOutcome::NoNumberLeft;
        }
        tx->commit();
    } catch (const store::EngineError&) {
        tx.reset();
        types.requery();
        throw;
    }
    return AddOutcome::Stored;
}

bool typeInUse(const store::Database& db, int recordPtr) {
    return anyRows(db, Select{QStringLiteral("Documents")}.where(
                           {QStringLiteral("DocumentType"), Op::Equal, recordPtr}));
}

DeleteOutcome deleteUnusedType(store::Recordset& types) {
    const store::Database db = types.database();
    const int recordPtr = types.field(RecordPtrField).toInt();
    store::Transaction tx(db);
    if (typeInUse(db, recordPtr))
        return DeleteOutcome::InUse;
    types.deleteCurrent(); // joins tx: the test above still holds when it runs
    tx.commit();
    return DeleteOutcome::Deleted;
}

} // namespace types_ui
