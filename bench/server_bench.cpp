// The server register beside the register file, in one run, at 10^5
// documents (TOLVANE_BENCH_PG names the server; see bench_server.h):
//  - ListQuery/<backend>: a keystroke's query in the Desc filter: open the
//    filtered list as a dynaset, read its first row, find a RecordPtr in it
//    (as store_bench's ListQuery). Backend 0 is the file, 1 the server.
//  - Reservation/<backend>: what Change costs before the editor opens:
//    Edit on the list's current row (the reservation and a fresh read of
//    the row), then CancelUpdate.
//  - CopyRegister: tolvane --copy-register of the 10^5-document file into
//    an empty server database.
// Run: TOLVANE_BENCH_PG=... build/bench/server_bench

#include "bench_register.h"
#include "bench_server.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/register_copy.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 100000;

/// The register of the benchmark's backend argument; empty to skip.
QString registerFor(benchmark::State& state) {
    return benchRegisterFor(state, Rows);
}

void ListQuery(benchmark::State& state) {
    const QString where = registerFor(state);
    if (where.isEmpty())
        return;
    const auto db = store::Database::open(where);
    const QString sql = QStringLiteral(
        "SELECT * FROM Documents  WHERE Description LIKE '*CONTRACT 1*' ORDER BY DESCRIPTION");
    int rows = 0;
    for (auto _ : state) {
        auto rs = db.openRecordset(sql);
        benchmark::DoNotOptimize(rs->field(QStringLiteral("Description")));
        rs->findFirst(QStringLiteral("RecordPtr = %1").arg(Rows / 2));
        rows = rs->recordCount();
    }
    state.counters["rows"] = rows;
}

void Reservation(benchmark::State& state) {
    const QString where = registerFor(state);
    if (where.isEmpty())
        return;
    const auto db = store::Database::open(where);
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"));
    rs->setAbsolutePosition(Rows / 2);
    for (auto _ : state) {
        rs->edit();
        rs->cancelUpdate();
    }
}

void CopyRegister(benchmark::State& state) {
    if (benchServer().isEmpty()) {
        state.SkipWithError("no server: set TOLVANE_BENCH_PG");
        return;
    }
    const auto source = store::Database::open(benchRegister(Rows));
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = benchServerDatabase(QStringLiteral("arkelby_bench_copy"), true);
        state.ResumeTiming();
        const store::CopyOutcome out = store::copyRegister(source, target, {});
        state.counters["documents"] = out.documents;
    }
}

} // namespace

BENCHMARK(ListQuery)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Reservation)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(CopyRegister)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
