// The history of each document as the engine records it: one entry for an
// Add and a Delete, one per changed field for a Change (the type by name,
// dates month first), who and when, and nothing left of a change whose
// transaction was rolled back.

#include "store/document_history.h"
#include "store/local_user.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <functional>

namespace {

class History : public RegisterTest {
protected:
    /// Every entry as "Action|Field|Old|New", oldest first.
    QStringList entries(int recordPtr) {
        auto rs = db.openRecordset(
            QStringLiteral("SELECT * FROM DocumentHistory WHERE RecordPtr = ? ORDER BY HistoryPtr"),
            store::RecordsetType::Snapshot, {recordPtr});
        QStringList out;
        for (; !rs->eof(); rs->moveNext()) {
            QStringList parts;
            for (const char* f : {"Action", "Field", "OldValue", "NewValue"}) {
                const QVariant v = rs->field(QLatin1String(f));
                parts << (store::isNull(v) ? QStringLiteral("<null>") : v.toString());
            }
            out << parts.join(u'|');
        }
        return out;
    }
};

/// Stores a change of the document the way the editor does: the row and
/// its history in one transaction.
void changeDocument(const store::Database& db, int recordPtr,
                    const std::function<void(store::Recordset&)>& set) {
    store::Transaction t(db);
    const store::DocumentFields before = store::storedDocumentFields(db, recordPtr);
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE RecordPtr = ?"),
                               store::RecordsetType::Dynaset, {recordPtr});
    rs->edit();
    set(*rs);
    const store::DocumentFields after = store::documentFields(*rs);
    rs->update();
    store::historyChanged(db, recordPtr, before, after);
    t.commit();
}

// On a server the server writes these rows itself, the same ones, naming
// its own user; the program then writes none.
TEST_F(History, EachKindOfChangeIsRecordedWithWhoAndWhen) {
    const int invoice = addType(QStringLiteral("Invoice"));
    const int letter = addType(QStringLiteral(" Letter "));
    const Doc lease{7,       QStringLiteral("Lease"), QDate(2004, 3, 7), QStringLiteral("Smith"),
                    invoice, QStringLiteral("note")};
    int ptr = 0;
    {
        store::Transaction t(db);
        ptr = add(lease);
        store::historyAdded(db, ptr, store::storedDocumentFields(db, ptr));
        t.commit();
    }
    changeDocument(db, ptr, [&](store::Recordset& rs) {
        rs.setField(QStringLiteral("Description"), QStringLiteral("Lease renewed"));
        rs.setField(QStringLiteral("DocumentType"), letter);
        rs.setField(QStringLiteral("Date"), QVariant());
    });
    changeDocument(db, ptr, [](store::Recordset& rs) { // nothing changed: no entry
        rs.setField(QStringLiteral("Who"), QStringLiteral("Smith"));
    });
    {
        store::Transaction t(db);
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE RecordPtr = ?"),
                                   store::RecordsetType::Dynaset, {ptr});
        const store::DocumentFields gone = store::documentFields(*rs);
        rs->deleteCurrent();
        store::historyDeleted(db, ptr, gone);
        t.commit();
    }
    EXPECT_EQ(entries(ptr),
              (QStringList{"Added|<null>|<null>|Lease", "Changed|Description|Lease|Lease renewed",
                           "Changed|Type|Invoice|Letter", "Changed|Date|3/7/2004|<null>",
                           "Deleted|<null>|Lease renewed|<null>"}));
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory"));
    if (onServer()) {
        // The server's user of the test run, and its own socket.
        const QString user =
            db.openRecordset(QStringLiteral("SELECT session_user AS who"))->field("who").toString();
        EXPECT_EQ(rs->field(QStringLiteral("UserName")).toString(), user);
        EXPECT_EQ(rs->field(QStringLiteral("Computer")).toString(), QStringLiteral("local"));
    } else {
        EXPECT_EQ(rs->field(QStringLiteral("UserName")).toString(), store::localLogin());
        EXPECT_EQ(rs->field(QStringLiteral("Computer")).toString(), store::localComputer());
    }
    EXPECT_EQ(rs->field(QStringLiteral("ID")).toInt(), 7);
    EXPECT_LE(std::abs(rs->field(QStringLiteral("Changed"))
                           .toDateTime()
                           .secsTo(QDateTime(QDate::currentDate(), QTime::currentTime(), Qt::UTC))),
              60);
}

TEST_F(History, AChangeRolledBackLeavesNoEntry) {
    int ptr = 0;
    {
        store::Transaction t(db);
        ptr = add({5, QStringLiteral("never stored")});
        store::historyAdded(db, ptr, store::storedDocumentFields(db, ptr));
    } // no commit: rolled back with the change it belongs to
    EXPECT_TRUE(entries(ptr).isEmpty());
}

} // namespace
