// Exporting the document list to CSV at 10^5 documents (bench_register.h:
// notes of 0 to 2,000 characters, about 100 MB of CSV):
//  - ExportList/<backend>: File > Export List... once the file is chosen:
//    every row of the list's open recordset ("ID (descending)") into a new
//    file, given its name at the end.
//  - ExportCommand/<backend>: what tolvane --export adds to it: opening the
//    register and reading the list's keys.
//  - ExportWorkbook/0: ExportList into an Excel workbook instead (made in a
//    temporary folder, then copied onto the target).
// Backend 0 is the register file, 1 the server (TOLVANE_BENCH_PG, see
// bench_server.h; skipped without it). Target: under 1 s for 10^5
// documents. Counter MB: the file's size. Run: build/bench/export_bench

#include "bench_register.h"
#include "bench_server.h"
#include "reports/list_export.h"
#include "store/database.h"
#include "store/recordset.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 100000;
const QString List = QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC");

/// The register of the benchmark's backend argument (empty to skip) and
/// the file to export it to.
struct Run {
    explicit Run(benchmark::State& state) : where(benchRegisterFor(state, Rows)) {}
    const QString where;
    const QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("list.csv"));
};

void ExportList(benchmark::State& state) {
    const Run run(state);
    if (run.where.isEmpty())
        return;
    const auto list = store::Database::open(run.where).openRecordset(List);
    for (auto _ : state)
        state.counters["documents"] =
            static_cast<double>(reports::exportList(*list, run.file).documents);
    state.counters["MB"] = static_cast<double>(QFileInfo(run.file).size()) / 1e6;
}

void ExportWorkbook(benchmark::State& state) {
    const Run run(state);
    if (run.where.isEmpty())
        return;
    const QString file = run.folder.filePath(QStringLiteral("list.xlsx"));
    const auto list = store::Database::open(run.where).openRecordset(List);
    for (auto _ : state)
        state.counters["documents"] =
            static_cast<double>(reports::exportList(*list, file).documents);
    state.counters["MB"] = static_cast<double>(QFileInfo(file).size()) / 1e6;
}

void ExportCommand(benchmark::State& state) {
    const Run run(state);
    if (run.where.isEmpty())
        return;
    for (auto _ : state) {
        const auto db = store::Database::open(run.where);
        reports::exportList(*db.openRecordset(List, store::RecordsetType::Snapshot), run.file);
    }
}

} // namespace

BENCHMARK(ExportList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ExportCommand)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ExportWorkbook)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
