// What the register file's text index costs and saves, at 10^5 and 10^6
// documents, on copies of the bench registers kept in the temporary folder
// beside them ("arkelby-text-index-<rows>.mdb" with this build's index,
// "...-unindexed-..." as an earlier build left it), so that the shared
// bench registers are not converted by this build:
//  - KeyList/rows/pattern/index: every key of the list filtered on
//    Description, ID DESC, read as the list reads them (a dynaset's keys),
//    with the text index allowed or not (Select::textIndex); pattern 0 a
//    common word ("*contract*", about one document in five), 1 a rare
//    phrase (the first words of the mid-register document, one in 10^6),
//    2 a common word in Who ("*smith*").
//  - FirstScreen/rows/pattern/index: the same with a limit of 40 rows.
//    A connection counts a pattern's candidates once while the register is
//    unchanged, so repeated runs of one pattern leave that count out: for
//    a common pattern it is about 0.5 ms at 10^5 and 5 ms at 10^6.
//  - AddUpdate/rows/indexed: one document added and one changed (its
//    description), each in its own transaction, on the register with the
//    index (1) and without it (0); the difference is the index's cost.
//  - BuildIndex/rows: opening a register of an earlier build, which fills
//    the index of every document in one transaction (the copy is made
//    untimed); counter growth_mb the file's growth, text_mb the indexed
//    text.
// Run: build-bench/bench/text_index_bench [--benchmark_filter=...] on a
// Release build configured with -DTOLVANE_BUILD_BENCH=ON.

#include "bench_register.h"
#include "store/database.h"
#include "store/query.h"
#include "store/recordset.h"
#include "store/transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdexcept>

namespace {

using store::query::Op;
using store::query::Select;

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK)
        throw std::runtime_error(message ? message : "sqlite3_exec failed");
}

QString kept(int rows, const char* kind) {
    return QDir::temp().filePath(
        QStringLiteral("arkelby-text-index-%1%2.mdb").arg(QLatin1String(kind)).arg(rows));
}

/// A copy of the bench register as an earlier build left it: no index.
QString unindexedRegister(int rows) {
    const QString file = kept(rows, "unindexed-");
    if (QFileInfo::exists(file))
        return file;
    const QString building = file + QStringLiteral(".building");
    QFile::remove(building);
    if (!QFile::copy(benchRegister(rows), building))
        throw std::runtime_error("the bench register cannot be copied");
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(building).constData(), &db);
    exec(db, "DROP TRIGGER IF EXISTS DocumentsText_insert; DROP TRIGGER IF EXISTS "
             "DocumentsText_update; DROP TRIGGER IF EXISTS DocumentsText_delete; DROP TABLE IF "
             "EXISTS DocumentsText; PRAGMA user_version = 3; VACUUM");
    sqlite3_close(db);
    QFile::rename(building, file);
    return file;
}

/// A copy of the bench register with this build's index.
QString indexedRegister(int rows) {
    const QString file = kept(rows, "");
    if (QFileInfo::exists(file))
        return file;
    const QString building = file + QStringLiteral(".building");
    QFile::remove(building);
    if (!QFile::copy(unindexedRegister(rows), building))
        throw std::runtime_error("the bench register cannot be copied");
    store::Database::open(building);
    QFile::remove(building + QStringLiteral(".lck"));
    QFile::rename(building, file);
    return file;
}

/// The pattern `kind` of the benchmark's header.
QString pattern(const store::Database& db, int rows, int kind) {
    if (kind == 0)
        return QStringLiteral("*contract*");
    if (kind == 2)
        return QStringLiteral("*smith*");
    Select q{QStringLiteral("Documents"), {QStringLiteral("Description")}};
    q.where({QStringLiteral("ID"), Op::Equal, rows / 2});
    auto rs = db.openRecordset(q, store::RecordsetType::Snapshot);
    const QStringList words = rs->field(QStringLiteral("Description")).toString().split(u' ');
    return QLatin1Char('*') + words.mid(0, 4).join(u' ') + QLatin1Char('*');
}

void listKeys(benchmark::State& state, std::optional<int> limit) {
    const int rows = static_cast<int>(state.range(0));
    const auto db = store::Database::open(indexedRegister(rows));
    const int kind = static_cast<int>(state.range(1));
    Select q{QStringLiteral("Documents")};
    q.where({kind == 2 ? QStringLiteral("Who") : QStringLiteral("Description"), Op::Like,
             pattern(db, rows, kind)})
        .orderBy(QStringLiteral("ID"), true);
    q.limit = limit;
    q.textIndex = state.range(2) != 0;
    int found = 0;
    for (auto _ : state)
        found = db.openRecordset(q, store::RecordsetType::Dynaset)->recordCount();
    state.counters["rows"] = found;
}

void KeyList(benchmark::State& state) {
    listKeys(state, std::nullopt);
}

void FirstScreen(benchmark::State& state) {
    listKeys(state, 40);
}

void AddUpdate(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const bool indexed = state.range(1) != 0;
    // Without the index: a copy opened (which gives it the index), then
    // stripped of it by another connection, as an earlier build's file.
    const QString copy = kept(rows, "add-");
    QFile::remove(copy);
    QFile::copy(indexed ? indexedRegister(rows) : unindexedRegister(rows), copy);
    const auto db = store::Database::open(copy);
    if (!indexed) {
        sqlite3* plain = nullptr;
        sqlite3_open(QFile::encodeName(copy).constData(), &plain);
        exec(plain, "DROP TRIGGER DocumentsText_insert; DROP TRIGGER DocumentsText_update; "
                    "DROP TRIGGER DocumentsText_delete; DROP TABLE DocumentsText");
        sqlite3_close(plain);
    }
    auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    int n = 0;
    for (auto _ : state) {
        {
            store::Transaction t(db);
            rs->addNew();
            rs->setField(QStringLiteral("ID"), rows + 1000000 + n);
            rs->setField(QStringLiteral("Description"),
                         QStringLiteral("Bench contract %1 of the quarter").arg(n));
            rs->setField(QStringLiteral("DocumentType"), 1);
            rs->setField(QStringLiteral("Who"), QStringLiteral("Smith %1").arg(n));
            rs->setField(QStringLiteral("Note"), QStringLiteral("Signed on the spot, %1").arg(n));
            rs->update();
            t.commit();
        }
        {
            store::Transaction t(db);
            rs->edit();
            rs->setField(QStringLiteral("Description"),
                         QStringLiteral("Bench contract %1 of the year").arg(n));
            rs->update();
            t.commit();
        }
        ++n;
    }
    QFile::remove(copy);
    QFile::remove(copy + QStringLiteral(".lck"));
}

void BuildIndex(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const QString old = unindexedRegister(rows);
    const QString copy = kept(rows, "build-");
    qint64 text = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(copy);
        QFile::copy(old, copy);
        state.ResumeTiming();
        const auto db = store::Database::open(copy);
        state.PauseTiming();
        auto rs = db.openRecordset(
            QStringLiteral("SELECT sum(length(CAST(Description AS BLOB)) + "
                           "coalesce(length(CAST(Who AS BLOB)), 0) + "
                           "coalesce(length(CAST(Note AS BLOB)), 0)) AS Bytes FROM Documents"),
            store::RecordsetType::Snapshot);
        text = rs->field(QStringLiteral("Bytes")).toLongLong();
        state.ResumeTiming();
    }
    constexpr double mb = 1024.0 * 1024.0;
    state.counters["growth_mb"] =
        static_cast<double>(QFileInfo(copy).size() - QFileInfo(old).size()) / mb;
    state.counters["text_mb"] = static_cast<double>(text) / mb;
    QFile::remove(copy);
}

} // namespace

BENCHMARK(KeyList)
    ->ArgsProduct({{100000, 1000000}, {0, 1, 2}, {0, 1}})
    ->ArgNames({"rows", "pattern", "index"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FirstScreen)
    ->ArgsProduct({{100000, 1000000}, {0, 1, 2}, {0, 1}})
    ->ArgNames({"rows", "pattern", "index"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AddUpdate)
    ->ArgsProduct({{100000}, {0, 1}})
    ->ArgNames({"rows", "indexed"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BuildIndex)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
