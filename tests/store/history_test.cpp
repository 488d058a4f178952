// The history of each document as the engine records it: one entry for an
// Add and a Delete, one per changed field for a Change (the type by name,
// dates month first), who and when, and nothing left of a change whose
// transaction was rolled back.

#include "store/document_history.h"
#include "store/local_user.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

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

TEST_F(History, EachKindOfChangeIsRecordedWithWhoAndWhen) {
    const int invoice = addType(QStringLiteral("Invoice"));
    const int letter = addType(QStringLiteral("Letter"));
    const store::DocumentFields before{7,
                                       QStringLiteral("Lease"),
                                       static_cast<qint16>(invoice),
                                       store::makeDate(QDate(2004, 3, 7)),
                                       QStringLiteral("Smith"),
                                       QStringLiteral("note")};
    store::DocumentFields after = before;
    after.description = QStringLiteral("Lease renewed");
    after.type = static_cast<qint16>(letter);
    after.date = QVariant();
    {
        store::Transaction t(db);
        store::historyAdded(db, 41, before);
        store::historyChanged(db, 41, before, after);
        store::historyChanged(db, 41, after, after); // nothing changed: no entry
        store::historyDeleted(db, 41, after);
        t.commit();
    }
    EXPECT_EQ(entries(41),
              (QStringList{"Added|<null>|<null>|Lease", "Changed|Description|Lease|Lease renewed",
                           "Changed|Type|Invoice|Letter", "Changed|Date|3/7/2004|<null>",
                           "Deleted|<null>|Lease renewed|<null>"}));
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory"));
    EXPECT_EQ(rs->field(QStringLiteral("UserName")).toString(), store::localLogin());
    EXPECT_EQ(rs->field(QStringLiteral("Computer")).toString(), store::localComputer());
    EXPECT_EQ(rs->field(QStringLiteral("ID")).toInt(), 7);
    EXPECT_LE(std::abs(rs->field(QStringLiteral("Changed"))
                           .toDateTime()
                           .secsTo(QDateTime(QDate::currentDate(), QTime::currentTime(), Qt::UTC))),
              60);
}

TEST_F(History, AChangeRolledBackLeavesNoEntry) {
    {
        store::Transaction t(db);
        store::historyAdded(db, 5, {5, QStringLiteral("never stored"), 0, {}, {}, {}});
    } // no commit: rolled back with the change it belongs to
    EXPECT_TRUE(entries(5).isEmpty());
}

} // namespace
