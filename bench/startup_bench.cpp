// Start-up and type lookup benchmarks:
//  - StartUpToShown: a main window built, its whole start-up sequence run
//    over an existing register of 10^5 documents, and the window shown and
//    painted once (what a user waits for after starting the program).
//  - ScrollJump: the list of 10^5 documents scrolled to a random place and
//    repainted, as when the user drags the scroll bar.
//  - TypeName / TypeRecordPtr: one lookup among 500 types, each opening and
//    searching its recordset anew.
//  - FillTypeList500: filling a type list of 500 types and its table.
// Runs headless (QT_QPA_PLATFORM=offscreen unless set).
// Run: build/bench/startup_bench [--benchmark_filter=...]

#include "bench_register.h"
#include "main_window/frm_main.h"
#include "platform/grid/record_grid.h"
#include "session/program_state.h"
#include "session/type_lookups.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// A data folder whose Veld.MDB is (a hard link to) the shared bench register.
class DataFolder {
public:
    explicit DataFolder(int rows) { placeBenchRegister(rows, dir_.path()); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

/// A main window started over the data folder of `options` and shown.
std::unique_ptr<frmMain> startShown(const StartupOptions& options, benchmark::State& state) {
    session::program::reset();
    auto w = std::make_unique<frmMain>();
    w->startUp(options);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        state.SkipWithError("window not exposed");
    return w;
}

void StartUpToShown(benchmark::State& state) {
    DataFolder data(static_cast<int>(state.range(0)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(data.path()));
    StartupOptions options;
    options.dataFolder = data.path();
    int rows = 0;
    for (auto _ : state) {
        auto w = startShown(options, state);
        QCoreApplication::processEvents();
        rows = w->dtaDocuments->recordset()->rowCount();
        state.PauseTiming();
        w.reset();
        session::program::reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}

void ScrollJump(benchmark::State& state) {
    DataFolder data(static_cast<int>(state.range(0)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(data.path()));
    StartupOptions options;
    options.dataFolder = data.path();
    auto w = startShown(options, state);
    QScrollBar* bar = w->grdInfo->verticalScrollBar();
    unsigned seed = 12345;
    for (auto _ : state) {
        seed = seed * 1103515245u + 12345u;
        bar->setValue(static_cast<int>(seed % static_cast<unsigned>(bar->maximum() + 1)));
        w->grdInfo->viewport()->repaint();
    }
    w.reset();
    session::program::reset();
}

class Types500 {
public:
    Types500() {
        db = store::Database::create(dir.filePath(QStringLiteral("Veld.MDB")));
        db.execute(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
            "INSERT INTO Types (Type) SELECT printf('Type %03d', i) FROM n"));
    }
    QTemporaryDir dir;
    store::Database db;
};

void TypeName(benchmark::State& state) {
    Types500 t;
    qint16 n = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store::fnTypeName(t.db, n));
        n = static_cast<qint16>(n % 500 + 1);
    }
}

void TypeRecordPtr(benchmark::State& state) {
    Types500 t;
    int n = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store::fnTypeRecordPtr(
            t.db, QStringLiteral("Type %1").arg(n, 3, 10, QLatin1Char('0'))));
        n = n % 500 + 1;
    }
}

class ComboList : public session::TypeListTarget {
public:
    void clear() override { items.clear(); }
    void addItem(const QString& text) override { items << text; }
    int selectedIndex() const override { return selected; }
    void setSelectedIndex(int index) override { selected = index; }
    QStringList items;
    int selected = -1;
};

void FillTypeList500(benchmark::State& state) {
    Types500 t;
    std::vector<qint16> ptrs;
    for (auto _ : state) {
        ComboList list;
        session::FillTypeList(t.db, list, true, ptrs);
        benchmark::DoNotOptimize(list.items.size());
    }
}

} // namespace

BENCHMARK(StartUpToShown)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(ScrollJump)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(TypeName)->Unit(benchmark::kMicrosecond);
BENCHMARK(TypeRecordPtr)->Unit(benchmark::kMicrosecond);
BENCHMARK(FillTypeList500)->Unit(benchmark::kMicrosecond);
