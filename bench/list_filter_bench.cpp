// A keystroke in the main window's Desc filter, with the filters on, over
// registers of 10^5 and 10^6 documents: the statement built, the query
// re-run, the grid reset and repainted, the remembered row found again
// and scrolled into view with the rows above it, the panel filled.
// Each iteration is one keystroke of a cycle that types "contract" and
// deletes it again key by key; the remembered document (mid-list, its
// description containing "Contract") qualifies at every step, so every
// keystroke also pays for finding it. QueryOnly runs the same statements
// through the data control alone: the part of a keystroke the window does
// not control. Reported: mean per keystroke, and the median and 95th
// percentile as counters (ms).
// KeystrokeOnServer is the same over a server register of 10^5 documents
// (TOLVANE_BENCH_PG names the server, see bench_server.h).
// Runs headless (QT_QPA_PLATFORM=offscreen unless set).
// Run: build/bench/list_filter_bench [--benchmark_filter=...]

#include "bench_register.h"
#include "bench_server.h"
#include "main_window/frm_main.h"
#include "platform/grid/record_grid.h"
#include "session/data_control.h"
#include "session/program_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

/// Types and deletes "contract" in the Desc filter of a window started on
/// the register file of `rows` documents, or on the server register at
/// `server`.
void keystrokes(benchmark::State& state, int rows, const QString& server) {
    QTemporaryDir dir;
    if (server.isEmpty())
        placeBenchRegister(rows, dir.path());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    StartupOptions options;
    options.dataFolder = dir.path();
    options.server = server;
    session::program::reset();
    auto w = std::make_unique<frmMain>();
    w->startUp(options);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) {
        state.SkipWithError("window not exposed");
        return;
    }
    const QString word = QStringLiteral("contract");
    w->chkFilterOn->click();
    QTest::keyClicks(w->txtFilterDesc, word);
    QCoreApplication::processEvents(); // the re-run the keys asked for
    auto rs = w->dtaDocuments->recordset();
    rs->setAbsolutePosition(rs->rowCount() / 2);
    const int remembered = rs->field(QStringLiteral("RecordPtr")).toInt();
    QCoreApplication::processEvents();

    std::vector<double> ms;
    size_t step = 0; // 0..7 deletes, 8..15 types
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        if (step < 8)
            QTest::keyClick(w->txtFilterDesc, Qt::Key_Backspace);
        else
            QTest::keyClick(w->txtFilterDesc, word[static_cast<qsizetype>(step - 8)].toLatin1());
        QCoreApplication::processEvents(); // the re-run, the grid's repaint
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        step = (step + 1) % 16;
        if (w->dtaDocuments->recordset()->field(QStringLiteral("RecordPtr")).toInt() !=
            remembered) {
            state.SkipWithError("remembered row lost");
            break;
        }
    }
    if (!ms.empty()) {
        std::sort(ms.begin(), ms.end());
        state.counters["median_ms"] = ms[ms.size() / 2];
        state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
        state.counters["rows"] = w->dtaDocuments->recordset()->rowCount();
    }
    w.reset();
    session::program::reset();
}

void KeystrokeInDescFilter(benchmark::State& state) {
    keystrokes(state, static_cast<int>(state.range(0)), {});
}

void KeystrokeOnServer(benchmark::State& state) {
    const QString server = benchServerRegister(static_cast<int>(state.range(0)));
    if (server.isEmpty()) {
        state.SkipWithError("no server: set TOLVANE_BENCH_PG");
        return;
    }
    keystrokes(state, static_cast<int>(state.range(0)), server);
}

// The floor under a keystroke: the same statements run through the data
// control alone (query and key list), no window.
void QueryOnly(benchmark::State& state) {
    store::Database db = store::Database::open(benchRegister(static_cast<int>(state.range(0))));
    session::DataControl list;
    list.setDatabase(db);
    const QString word = QStringLiteral("CONTRACT");
    int step = 0;
    std::vector<double> ms;
    QElapsedTimer t;
    for (auto _ : state) {
        const int length = step < 8 ? 7 - step : step - 7; // 7..0, 1..8
        list.setRecordSource(QStringLiteral("SELECT * FROM Documents  WHERE Description LIKE "
                                            "'*%1*' ORDER BY ID DESC")
                                 .arg(word.left(length)));
        t.start();
        list.refresh();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        step = (step + 1) % 16;
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
}

} // namespace

BENCHMARK(QueryOnly)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(160);
BENCHMARK(QueryOnly)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(32);
BENCHMARK(KeystrokeInDescFilter)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(160);
BENCHMARK(KeystrokeInDescFilter)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(48);
BENCHMARK(KeystrokeOnServer)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(160);
