// Processes killed with SIGKILL at random moments: while holding a record
// lock, while making the register from the template, while importing a
// legacy register and while storing documents. After each kill the next
// user must find a working register with everything that was committed and
// nothing half done. Each case runs a bounded number of kills and takes a
// few seconds; the helper is the stress_worker program.

#include "child_process.h"
#include "legacy/tools/legacy_writer.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/sqlite/template_copy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <set>
#include <thread>

namespace {

using namespace std::chrono;
using stress::ChildProcess;

const QString Worker = QStringLiteral(STRESS_WORKER);
const QString Template = QStringLiteral(TOLVANE_TEMPLATE);

std::mt19937& rng() {
    static std::mt19937 r(std::random_device{}());
    return r;
}

milliseconds randomMs(int upTo) {
    return milliseconds(rng()() % unsigned(upTo + 1));
}

int count(const store::Database& db, const QString& table) {
    auto rs =
        db.openRecordset(QStringLiteral("SELECT * FROM ") + table, store::RecordsetType::Snapshot);
    return rs->rowCount();
}

class Crash : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = dir.filePath(QStringLiteral("Veld.MDB"));
    }
    void makeRegister() { store::copyTemplateOnce(Template, db); }

    QTemporaryDir dir;
    QString db;
};

TEST_F(Crash, KilledLockHolderReleasesTheRow) {
    makeRegister();
    const store::Database mine = store::Database::open(db);
    mine.execute(QStringLiteral("INSERT INTO Documents (ID, Description) VALUES (7, 'held')"));
    auto rs = mine.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 7"));
    for (int trial = 0; trial < 5; ++trial) {
        const QString ready = dir.filePath(QStringLiteral("ready%1").arg(trial));
        ChildProcess holder(Worker, {QStringLiteral("hold-lock"), db, QStringLiteral("7"), ready});
        ASSERT_TRUE(stress::waitForFile(ready, 10s)) << "the helper never took the row";
        try {
            rs->edit();
            ADD_FAILURE() << "edit() of a row another process holds was allowed";
            rs->cancelUpdate();
        } catch (const store::EngineError& e) {
            EXPECT_EQ(e.number(), store::err::RecordLocked);
        }
        std::this_thread::sleep_for(randomMs(30));
        holder.kill();
        rs->edit(); // the kernel freed the killed holder's lock
        rs->setField(QStringLiteral("Description"), QStringLiteral("after %1").arg(trial));
        rs->update();
    }
    EXPECT_EQ(rs->field(QStringLiteral("Description")).toString(), QStringLiteral("after 4"));
}

TEST_F(Crash, KilledTemplateCopyLeavesNoHalfRegister) {
    // How long a whole start takes here, so that kills fall inside it.
    const auto t0 = steady_clock::now();
    {
        ChildProcess full(Worker, {QStringLiteral("copy-template"), Template, db});
        ASSERT_EQ(full.wait(30s), 0);
    }
    const int span = int(duration_cast<milliseconds>(steady_clock::now() - t0).count());
    int made = 0;
    for (int trial = 0; trial < 20; ++trial) {
        QFile::remove(db);
        {
            ChildProcess maker(Worker, {QStringLiteral("copy-template"), Template, db});
            std::this_thread::sleep_for(randomMs(span));
            maker.kill();
        }
        // The register is either not there or whole.
        if (QFile::exists(db)) {
            ++made;
            const store::Database seen = store::Database::open(db);
            EXPECT_EQ(seen.integrityCheck(), QStringLiteral("ok")) << "trial " << trial;
            EXPECT_EQ(count(seen, QStringLiteral("Documents")), 0);
        }
        // The next start works and clears what the killed one left.
        store::copyTemplateOnce(Template, db);
        EXPECT_EQ(store::Database::open(db).integrityCheck(), QStringLiteral("ok"));
        store::clearStaleTemplateCopies(db);
        const QStringList left = QDir(dir.path())
                                     .entryList({store::templateCopyPrefix(db) + QLatin1Char('*')},
                                                QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.isEmpty()) << "trial " << trial << ": " << left.join(' ').toStdString();
    }
    std::cout << "template kills: " << made << " of 20 had made the register (start " << span
              << " ms)" << std::endl;
}

/// Writes a legacy register of `records` documents of nine types into
/// `folder`.
void writeLegacy(const QString& folder, int records) {
    QList<legacy::LegacyEntry> entries;
    for (int i = 1; i <= records; ++i) {
        legacy::LegacyEntry e;
        e.id = QString::number(i);
        e.description = QStringLiteral("legacy %1").arg(i);
        e.date = QStringLiteral("19990101");
        e.type = QStringLiteral("K%1").arg(i % 9);
        e.who = QStringLiteral("someone");
        e.note = QString(i % 3 ? 0 : 600, QLatin1Char('m'));
        entries << e;
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    QString error;
    ASSERT_TRUE(legacy::writeLegacyFiles(folder, legacy::buildLegacyFiles(entries), &error))
        << error.toStdString();
}

TEST_F(Crash, KilledImportFilesAllOrNothing) {
    constexpr int Records = 15000;
    const QString folder = dir.filePath(QStringLiteral("legacy"));
    writeLegacy(folder, Records);

    // How long a whole import takes here, so that kills fall inside it.
    makeRegister();
    const int typesBefore = count(store::Database::open(db), QStringLiteral("Types"));
    const auto t0 = steady_clock::now();
    {
        ChildProcess full(Worker, {QStringLiteral("import"), db, folder});
        ASSERT_EQ(full.wait(60s), 0);
    }
    const int span = int(duration_cast<milliseconds>(steady_clock::now() - t0).count());
    ASSERT_EQ(count(store::Database::open(db), QStringLiteral("Documents")), Records);

    int whole = 0, empty = 0;
    for (int trial = 0; trial < 8; ++trial) {
        QFile::remove(db);
        makeRegister();
        {
            ChildProcess importer(Worker, {QStringLiteral("import"), db, folder});
            std::this_thread::sleep_for(randomMs(span + span / 5));
            importer.kill();
        }
        const store::Database seen = store::Database::open(db);
        EXPECT_EQ(seen.integrityCheck(), QStringLiteral("ok"));
        const int documents = count(seen, QStringLiteral("Documents"));
        const int types = count(seen, QStringLiteral("Types"));
        if (documents == Records) {
            ++whole;
            EXPECT_EQ(types, typesBefore + 9);
        } else {
            ++empty;
            EXPECT_EQ(documents, 0) << "a partial import after a kill";
            EXPECT_EQ(types, typesBefore);
        }
    }
    std::cout << "import kills: " << empty << " empty, " << whole << " whole (import " << span
              << " ms)" << std::endl;
}

TEST_F(Crash, KilledFirstStartLeavesNoRegisterOrAWholeOne) {
    constexpr int Records = 10000;
    const QString folder = dir.filePath(QStringLiteral("legacy"));
    writeLegacy(folder, Records);
    const QStringList args{QStringLiteral("first-start"), Template, db, folder};
    const auto t0 = steady_clock::now();
    {
        ChildProcess full(Worker, args);
        ASSERT_EQ(full.wait(60s), 0);
    }
    const int span = int(duration_cast<milliseconds>(steady_clock::now() - t0).count());

    int made = 0;
    for (int trial = 0; trial < 6; ++trial) {
        QFile::remove(db);
        {
            ChildProcess starter(Worker, args);
            std::this_thread::sleep_for(randomMs(span + span / 5));
            starter.kill();
        }
        if (QFile::exists(db)) {
            ++made;
            const store::Database seen = store::Database::open(db);
            EXPECT_EQ(seen.integrityCheck(), QStringLiteral("ok"));
            EXPECT_EQ(count(seen, QStringLiteral("Documents")), Records) << "a partial register";
        }
        // The next start makes the register whole.
        ChildProcess next(Worker, args);
        ASSERT_EQ(next.wait(60s), 0) << "trial " << trial;
        EXPECT_EQ(count(store::Database::open(db), QStringLiteral("Documents")), Records);
        // No half-filled copy, its journal or its lock file is left.
        const QStringList left = QDir(dir.path())
                                     .entryList({store::templateCopyPrefix(db) + QLatin1Char('*')},
                                                QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.isEmpty()) << "trial " << trial << ": " << left.join(' ').toStdString();
    }
    std::cout << "first-start kills: " << made << " of 6 had made the register (start " << span
              << " ms)" << std::endl;
}

TEST_F(Crash, KilledWhileStoringKeepsEveryCommittedRow) {
    makeRegister();
    const QString journal = dir.filePath(QStringLiteral("journal.txt"));
    int firstID = 1;
    for (int trial = 0; trial < 6; ++trial) {
        {
            ChildProcess storer(
                Worker, {QStringLiteral("store-loop"), db, journal, QString::number(firstID)});
            std::this_thread::sleep_for(100ms + randomMs(300));
            storer.kill();
        }
        std::set<int> committed;
        QFile j(journal);
        ASSERT_TRUE(j.open(QIODevice::ReadOnly));
        for (const QByteArray& line : j.readAll().split('\n'))
            if (!line.isEmpty())
                committed.insert(line.toInt());

        const store::Database seen = store::Database::open(db);
        ASSERT_EQ(seen.integrityCheck(), QStringLiteral("ok"));
        std::set<int> stored;
        auto rs = seen.openRecordset(QStringLiteral("SELECT * FROM Documents"),
                                     store::RecordsetType::Snapshot);
        for (int r = 0; r < rs->rowCount(); ++r)
            EXPECT_TRUE(stored.insert(rs->valueAt(r, QStringLiteral("ID")).toInt()).second);
        for (int id : committed)
            EXPECT_TRUE(stored.count(id)) << "committed ID " << id << " is lost";
        // Only the one row whose commit the kill cut from its journal line
        // may be there without a journal line.
        EXPECT_LE(stored.size(), committed.size() + 1);
        EXPECT_FALSE(committed.empty()) << "nothing was stored before the kill";
        firstID = (stored.empty() ? 0 : *stored.rbegin()) + 1;
        std::ofstream more(journal.toStdString(), std::ios::app);
        for (int id : stored)
            if (!committed.count(id))
                more << id << '\n'; // it is committed: later trials count it

        // The next user stores at once.
        auto next = seen.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 0"));
        next->addNew();
        next->setField(QStringLiteral("ID"), firstID);
        next->update();
        ++firstID;
        std::ofstream(journal.toStdString(), std::ios::app) << (firstID - 1) << '\n';
    }
}

} // namespace
