// Engine-layer benchmarks at 10^5 and 10^6 documents:
//  - ListQuery: what a keystroke in a list filter costs the engine: open the
//    filtered list (a LIKE text condition, ORDER BY DESCRIPTION) as a
//    dynaset, read its first row, and find "RecordPtr = n" in it.
//  - PlainSqlite: the same query in plain SQLite (SQLite's own LIKE),
//    prepared and stepped through reading only the key: the yardstick.
//  - SeekWalk: a table Seek ">" on the Description index and a walk of ten
//    rows reading the description, as type-ahead does.
// Counter "bytes_per_row" is the resident memory an open dynaset adds.
// Run: build/bench/store_bench [--benchmark_filter=...]

#include "bench_register.h"
#include "store/database.h"
#include "store/recordset.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <fstream>
#include <sqlite3.h>
#include <unistd.h>

namespace {

const char* listSql =
    "SELECT * FROM Documents  WHERE Description LIKE '*CONTRACT 1*' ORDER BY DESCRIPTION";

long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void ListQuery(benchmark::State& state) {
    const auto db = store::Database::open(benchRegister(static_cast<int>(state.range(0))));
    const QString sql = QString::fromLatin1(listSql);
    int rows = 0;
    for (auto _ : state) {
        auto rs = db.openRecordset(sql);
        benchmark::DoNotOptimize(rs->field(QStringLiteral("Description")));
        rs->findFirst(QStringLiteral("RecordPtr = %1").arg(state.range(0) / 2));
        rows = rs->recordCount();
    }
    state.counters["rows"] = rows;
}

void PlainSqlite(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(benchRegister(static_cast<int>(state.range(0)))).constData(),
                 &db);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT rowid FROM Documents WHERE Description LIKE '%CONTRACT 1%' "
                               "ORDER BY Description",
                               -1, &st, nullptr) != SQLITE_OK) {
            state.SkipWithError(sqlite3_errmsg(db));
            break;
        }
        long sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            sum += sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

void SeekWalk(benchmark::State& state) {
    const auto db = store::Database::open(benchRegister(static_cast<int>(state.range(0))));
    auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    rs->setIndex(QStringLiteral("Description"));
    for (auto _ : state) {
        rs->seek(QStringLiteral(">"), QStringLiteral("Memo 5"));
        for (int i = 0; i < 10 && !rs->eof(); ++i) {
            benchmark::DoNotOptimize(rs->field(QStringLiteral("Description")));
            rs->moveNext();
        }
    }
}

void DynasetMemory(benchmark::State& state) {
    const auto db = store::Database::open(benchRegister(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        const long before = residentBytes();
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"));
        const long after = residentBytes();
        state.counters["bytes_per_row"] =
            static_cast<double>(after - before) / static_cast<double>(state.range(0));
    }
}

} // namespace

BENCHMARK(ListQuery)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainSqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(SeekWalk)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(DynasetMemory)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
