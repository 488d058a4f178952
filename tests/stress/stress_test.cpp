// The many-users run: four stress_worker processes work on one register for
// a minute (STRESS_SECONDS overrides) while a fifth is killed with SIGKILL
// and started again at random moments, on a register file or, in the server
// run (TOLVANE_BACKEND=server), on a server register. Afterwards the
// register must pass its integrity check, hold exactly the rows the workers' journals say
// they stored and did not delete, with no ID twice and no document of a
// deleted type, have no row left locked, and no worker may have met an
// error other than a refusal. Prints operations per second and refusals.
// Label "long": CI skips it.

#include "child_process.h"
#include "journal.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/sqlite/template_copy.h"
#include "support/register_place.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>

namespace {

using namespace std::chrono;

int runSeconds() {
    const int s = qEnvironmentVariableIntValue("STRESS_SECONDS");
    return s > 0 ? s : 60;
}

QStringList readLines(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(Stress, FourUsersAndOneKilledKeepTheRegisterWhole) {
    const testsupport::RegisterPlace place;
    if (!place.unavailable().isEmpty())
        GTEST_SKIP() << place.unavailable().toStdString();
    const QDir dir(place.folder());
    const QString db = place.location();
    if (place.onServer())
        store::Database::create(db);
    else
        store::copyTemplateOnce(QStringLiteral(TOLVANE_TEMPLATE), db);
    const QString worker = QStringLiteral(STRESS_WORKER);
    const int seconds = runSeconds();
    const auto args = [&](int i, int s) {
        return QStringList{QStringLiteral("stress"), db, dir.path(), QString::number(i),
                           QString::number(s)};
    };

    std::vector<std::unique_ptr<stress::ChildProcess>> steady;
    for (int i = 0; i < 4; ++i)
        steady.push_back(std::make_unique<stress::ChildProcess>(worker, args(i, seconds)));
    const auto started = steady_clock::now();

    std::mt19937 rng(std::random_device{}());
    int kills = 0;
    const auto allDone = [&] {
        for (auto& w : steady)
            if (w->wait(milliseconds(0)) < 0)
                return false;
        return true;
    };
    while (!allDone() && steady_clock::now() < started + seconds * 1s + 120s) {
        stress::ChildProcess victim(worker, args(4, 3600));
        std::this_thread::sleep_for(milliseconds(100 + rng() % 2000));
        victim.kill();
        ++kills;
    }
    const double elapsed = duration<double>(steady_clock::now() - started).count();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(steady[std::size_t(i)]->wait(0s), 0) << "worker " << i;

    // No worker met anything but refusals.
    for (int i = 0; i < 5; ++i) {
        const QStringList failures = readLines(dir.filePath(QStringLiteral("fail%1.txt").arg(i)));
        EXPECT_TRUE(failures.isEmpty())
            << "worker " << i << ": " << failures.join(QStringLiteral(" | ")).toStdString();
    }

    // Figures of the four steady workers.
    long total[8] = {};
    for (int i = 0; i < 4; ++i) {
        const QStringList f =
            readLines(dir.filePath(QStringLiteral("stats%1.txt").arg(i))).value(0).split(' ');
        ASSERT_EQ(f.size(), 8) << "worker " << i << " left no figures";
        for (int k = 0; k < 8; ++k)
            total[k] += f[k].toLong();
    }
    std::cout << "stress (" << (place.onServer() ? "server" : "file")
              << " register): 4 workers for " << elapsed << " s, fifth killed " << kills
              << " times; " << total[0] << " operations = " << long(double(total[0]) / elapsed)
              << " per second; refusals: record locked (3260) " << total[1] << ", busy (3218) "
              << total[2] << ", deleted by another user (3167) " << total[3] << ", duplicate ID "
              << total[4] << ", type name taken " << total[5] << ", type kept in use " << total[6]
              << "; failures " << total[7] << std::endl;

    const store::Database check = store::Database::open(db);
    EXPECT_EQ(check.integrityCheck(), QStringLiteral("ok"));

    // The table against the journals: what is Present must be there once,
    // what is Absent must be gone, what is in doubt may be there at most
    // once, and nothing else may be there.
    std::map<int, int> inTable;
    auto rows = check.openRecordset(QStringLiteral("SELECT * FROM Documents"),
                                    store::RecordsetType::Snapshot);
    for (int r = 0; r < rows->rowCount(); ++r)
        ++inTable[rows->valueAt(r, QStringLiteral("ID")).toInt()];
    std::map<int, stress::Entry> expected;
    for (int i = 0; i < 5; ++i)
        for (const auto& [id, e] :
             stress::readJournal(dir.filePath(QStringLiteral("journal%1.txt").arg(i))).ids) {
            if (e == stress::Entry::Present && expected.count(id) &&
                expected[id] == stress::Entry::Present)
                ADD_FAILURE() << "ID " << id << " journalled as stored by two workers";
            if (!expected.count(id) || e != stress::Entry::Absent)
                expected[id] = e;
        }
    int lost = 0, doubled = 0, stray = 0, resurrected = 0;
    for (const auto& [id, count] : inTable) {
        if (count > 1)
            ++doubled;
        if (!expected.count(id))
            ++stray;
        else if (expected[id] == stress::Entry::Absent)
            ++resurrected;
    }
    for (const auto& [id, e] : expected)
        if (e == stress::Entry::Present && !inTable.count(id))
            ++lost;
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_EQ(stray, 0);
    EXPECT_EQ(resurrected, 0);
    std::cout << "stress: " << rows->rowCount() << " documents at the end, " << expected.size()
              << " IDs journalled" << std::endl;

    // No document names a type that was deleted.
    std::set<int> types;
    auto t =
        check.openRecordset(QStringLiteral("SELECT * FROM Types"), store::RecordsetType::Snapshot);
    for (int r = 0; r < t->rowCount(); ++r)
        types.insert(t->valueAt(r, QStringLiteral("RecordPtr")).toInt());
    for (int r = 0; r < rows->rowCount(); ++r) {
        const int type = rows->valueAt(r, QStringLiteral("DocumentType")).toInt();
        EXPECT_TRUE(type == 0 || types.count(type)) << "document of deleted type " << type;
    }

    // No lock is left: every row can be taken for editing.
    auto all = check.openRecordset(QStringLiteral("SELECT * FROM Documents"));
    int held = 0;
    for (all->moveFirst(); !all->eof(); all->moveNext()) {
        try {
            all->edit();
            all->cancelUpdate();
        } catch (const store::EngineError& e) {
            ++held;
            ADD_FAILURE() << "row " << all->field(QStringLiteral("ID")).toInt() << ": "
                          << e.number() << ' ' << e.text().toStdString();
        }
    }
    EXPECT_EQ(held, 0);
}

} // namespace
