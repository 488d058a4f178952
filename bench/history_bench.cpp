// What the history costs the editor's Update, at 10^5 documents, on the
// file (backend 0) and the server (backend 1, when TOLVANE_BENCH_PG names
// one; see bench_server.h):
//  - Update/<backend>/0: the Update as without history: one transaction
//    storing the changed description of the reserved row.
//  - Update/<backend>/1: the same with its history: the stored row read
//    for comparison and the entry written in the same transaction.
// The difference of the two is the history's cost.
// Run: TOLVANE_BENCH_PG=... build/bench/history_bench

#include "bench_register.h"
#include "bench_server.h"
#include "store/database.h"
#include "store/document_history.h"
#include "store/recordset.h"
#include "store/transaction.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 100000;

void Update(benchmark::State& state) {
    const QString where = state.range(0) == 0
                              ? benchRegister(Rows, QStringLiteral("arkelby-history-bench"))
                              : benchServerRegister(Rows);
    if (where.isEmpty()) {
        state.SkipWithError("no server: set TOLVANE_BENCH_PG");
        return;
    }
    const bool history = state.range(1) != 0;
    const auto db = store::Database::open(where);
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"));
    rs->setAbsolutePosition(Rows / 2);
    const qint64 recordPtr = rs->field(QStringLiteral("RecordPtr")).toLongLong();
    const QString original = rs->field(QStringLiteral("Description")).toString();
    int n = 0;
    for (auto _ : state) {
        rs->edit();
        store::Transaction t(db);
        const store::DocumentFields before =
            history ? store::storedDocumentFields(db, recordPtr) : store::DocumentFields{};
        rs->setField(QStringLiteral("Description"),
                     ++n % 2 ? original + QLatin1Char('*') : original);
        const store::DocumentFields after = store::documentFields(*rs);
        rs->update();
        if (history)
            store::historyChanged(db, recordPtr, before, after);
        t.commit();
    }
}

} // namespace

BENCHMARK(Update)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"backend", "history"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
