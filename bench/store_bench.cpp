// Engine-layer benchmarks at 10^5 and 10^6 documents:
//  - ListQuery: what a keystroke in a list filter costs the engine: open the
//    filtered list (a LIKE text condition, ORDER BY DESCRIPTION) as a
//    dynaset, read its first row, and find "RecordPtr = n" in it.
//  - PlainSqlite: the same query in plain SQLite (SQLite's own LIKE),
//    prepared and stepped through reading only the key: the yardstick.
//  - SeekWalk: a table Seek ">" on the Description index and a walk of ten
//    rows reading the description, as type-ahead does.
//  - ReadKeys: the keys of the main list (a LIKE on the description, newest
//    first), the first screen (60) and the whole list, as the list loader
//    reads them on its own connection.
//  - Interrupt: how soon a whole-list read stopped by Database::interrupt
//    from another thread gives its connection back.
// Counter "bytes_per_row" is the resident memory an open dynaset adds.
// Run: build/bench/store_bench [--benchmark_filter=...]

#include "bench_register.h"
#include "store/database.h"
#include "store/recordset.h"

#include <QFile>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <sqlite3.h>
#include <thread>
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

store::query::Select mainList() {
    store::query::Select q{QStringLiteral("Documents")};
    q.where({QStringLiteral("Description"), store::query::Op::Like, QStringLiteral("*contract 1*")})
        .orderBy(QStringLiteral("ID"), true);
    return q;
}

void ReadKeys(benchmark::State& state) {
    const auto db = store::Database::open(benchRegister(static_cast<int>(state.range(0))));
    const std::optional<int> limit =
        state.range(1) ? std::optional<int>(static_cast<int>(state.range(1))) : std::nullopt;
    size_t keys = 0;
    for (auto _ : state)
        keys = db.readKeys(mainList(), limit).size();
    state.counters["keys"] = static_cast<double>(keys);
}

// Each iteration starts a whole-list read on another thread, interrupts it
// 50 ms later (well inside it) and times from the interrupt to the read's end.
void Interrupt(benchmark::State& state) {
    const auto db = store::Database::open(benchRegister(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        std::atomic<bool> stopped{false};
        std::chrono::steady_clock::time_point ended;
        std::string why = "the read was not interrupted";
        std::thread reader([&] {
            try {
                db.readKeys(mainList());
            } catch (const store::EngineError& e) {
                stopped = e.number() == store::err::Interrupted;
                why = e.text().toStdString();
            }
            ended = std::chrono::steady_clock::now();
        });
        const auto began = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto asked = std::chrono::steady_clock::now();
        db.interrupt();
        reader.join();
        if (!stopped) {
            why += " after " + std::to_string(std::chrono::duration<double>(ended - began).count());
            state.SkipWithError(why.c_str());
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(ended - asked).count());
    }
}

BENCHMARK(ListQuery)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainSqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(SeekWalk)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(DynasetMemory)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadKeys)->ArgsProduct({{100000, 1000000}, {60, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(Interrupt)->Arg(1000000)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
