// The list's keys read apart from its recordset: Database::readKeys gives
// the rows and order a recordset over the same query holds, limited or
// not, through the text index or not; a recordset made from keys read on
// another connection shows those rows and reads them afresh on requery.
// And Database::interrupt from another thread stops a statement under way
// and leaves the register as free as before it.

#include "store/connection.h"
#include "support/register_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

using store::query::Op;
using store::query::Select;

namespace {

class KeyList : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        const QDate day(2004, 3, 7);
        const char* const words[] = {"invoice", "Letter", "contract", "INVOICE copy", "note"};
        for (int i = 1; i <= 40; ++i)
            add({i * 7 % 41, QStringLiteral("%1 %2").arg(QLatin1String(words[i % 5])).arg(i % 9),
                 i % 6 ? QVariant(day.addDays(-i * 13 % 50)) : QVariant(),
                 i % 3 ? QStringLiteral("who %1").arg(i % 4) : QString(), i % 3});
    }

    static QStringList asTexts(const std::vector<qint64>& keys) {
        QStringList out;
        for (const qint64 k : keys)
            out << QString::number(k);
        return out;
    }

    static std::vector<Select> queries() {
        std::vector<Select> out;
        Select all{QStringLiteral("Documents")};
        all.orderBy(QStringLiteral("ID"), true);
        out.push_back(all);
        Select pattern{QStringLiteral("Documents")};
        pattern.where({QStringLiteral("Description"), Op::Like, QStringLiteral("*invoice*")})
            .orderBy(QStringLiteral("Description"))
            .orderBy(QStringLiteral("ID"));
        out.push_back(pattern);
        Select mixed{QStringLiteral("Documents")};
        mixed.where({QStringLiteral("Who"), Op::Like, QStringLiteral("*o 1*")})
            .where({QStringLiteral("Date"), Op::Greater, QDate(2004, 2, 1)})
            .orderBy(QStringLiteral("ID"));
        out.push_back(mixed);
        Select typed{QStringLiteral("Documents")};
        typed.where({QStringLiteral("DocumentType"), Op::Equal, 2})
            .where({QStringLiteral("Description"), Op::NotLike, QStringLiteral("*copy*")})
            .orderBy(QStringLiteral("Date"), true)
            .orderBy(QStringLiteral("ID"));
        out.push_back(typed);
        return out;
    }
};

TEST_F(KeyList, KeysReadApartGiveTheRecordsetsRowsInItsOrder) {
    const store::Database other = store::Database::open(location());
    for (Select q : queries()) {
        const QStringList ids = column(*db.openRecordset(q), QStringLiteral("ID"));
        const QStringList keys = column(*db.openRecordset(q), QStringLiteral("RecordPtr"));
        ASSERT_FALSE(ids.isEmpty());
        EXPECT_EQ(asTexts(db.readKeys(q)), keys);
        EXPECT_EQ(asTexts(db.readKeys(q, 3)), keys.mid(0, 3));
        q.limit = 2;
        EXPECT_EQ(asTexts(db.readKeys(q, 3)), keys.mid(0, 2));
        q.limit.reset();
        q.textIndex = false;
        EXPECT_EQ(asTexts(db.readKeys(q)), keys);

        // Keys from another connection make the recordset without a query.
        const auto keyed = db.openRecordset(q, other.readKeys(q));
        EXPECT_EQ(column(*keyed, QStringLiteral("ID")), ids);
        EXPECT_EQ(keyed->rowCount(), ids.size());
    }

    // A requery runs the query: a row filed since is there, as in a fresh
    // recordset.
    const Select q = queries()[1];
    const auto keyed = db.openRecordset(q, db.readKeys(q), store::RecordsetType::Snapshot);
    add(other, {99, QStringLiteral("Invoice late")});
    keyed->requery();
    const QStringList requeried = column(*keyed, QStringLiteral("ID"));
    EXPECT_EQ(requeried, column(*db.openRecordset(q), QStringLiteral("ID")));
    EXPECT_TRUE(requeried.contains(QStringLiteral("99")));
    EXPECT_EQ(errorOf([&] { db.openRecordset(q, {}, store::RecordsetType::Table); }),
              store::err::NotSupported);
}

class Interrupt : public RegisterTest {};

TEST_F(Interrupt, StopsTheStatementAndLeavesTheRegisterFree) {
    add({1, QStringLiteral("first")});
    // Counts without end: only the interrupt ends it.
    const QString endless = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + "
                                           "1 FROM n) SELECT count(*) AS c FROM n");
    std::atomic<bool> ended{false};
    int error = 0;
    std::thread reader([&] {
        error = errorOf([&] { db.openRecordset(endless, store::RecordsetType::Snapshot); });
        ended = true;
    });
    // Interrupts until the statement is stopped, whenever it started.
    while (!ended) {
        db.interrupt();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    reader.join();
    EXPECT_EQ(error, store::err::Interrupted);
    EXPECT_FALSE(db.connection()->inTransaction());

    // An interrupt while nothing runs stops nothing later; the register is
    // read and written at once, by this user and another.
    db.interrupt();
    const store::Database other = store::Database::open(location());
    add(other, {2, QStringLiteral("second")});
    add({3, QStringLiteral("third")});
    Select all{QStringLiteral("Documents")};
    all.orderBy(QStringLiteral("ID"));
    EXPECT_EQ(column(*db.openRecordset(all), QStringLiteral("ID")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
}

} // namespace
