// What a user waits for in the main window's list, with the filters on,
// over registers of 10^5 and 10^6 documents, on the file and on a server
// (TOLVANE_BENCH_PG names the server, see bench_server.h; without it the
// server cases are skipped).
//
// KeystrokeInDescFilter (file) and KeystrokeOnServer: one keystroke of a
// cycle that types "contract" in the Desc filter and deletes it again key
// by key, until the screen shows the first matching rows the list's
// worker read for that key: the statement built, the first keys read, the
// grid reset and repainted. all_* times the same keys until the whole list
// is known, the remembered row found again and scrolled into view with the
// rows above it, the panel filled; the next key waits for that.
// The remembered document (mid-list, its description containing
// "Contract") qualifies at every step, so every keystroke also pays for
// finding it. Counters: median_ms, p95_ms, max_ms per keystroke; block_*
// the longest time per keystroke in which the GUI thread served no events
// (a timer due at once on the GUI thread, the widest gap between its
// ticks), over the whole list's arrival too; rows listed at the end; resident_mb the program's
// resident memory (VmRSS) with the register open and filtered, of the whole process: run the one
// benchmark alone for the figure of one register. FirstScreen/rows/backend/pattern: the last key of
// a pattern typed after the rest of it, until the screen shows its first matching rows; backend 0
// the file, 1 the server; pattern 0 rare (the first two words and numbers of the mid-register
// document, e.g. "Quote 5310 Memo 88", a phrase one document in 10^6 has; rows says how many), 1
// the one letter "q". The filter is emptied and the rest typed untimed between keys.
// ScrollJump/rows/backend: the unfiltered list's scroll bar set to a
// random position, until the screen there is filled.
// QueryOnly runs the keystroke cycle's statements through the data control
// alone: the part of a keystroke the window does not control.
// The registers are made once and kept, in the temporary folder and on the
// server (10^6 rows take minutes to make, on the server too).
// Runs headless (QT_QPA_PLATFORM=offscreen unless set).
// Run: build-bench/bench/list_filter_bench [--benchmark_filter=...], on a
// Release build configured with -DTOLVANE_BUILD_BENCH=ON.

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
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

/// The window started with the filters on, on the register file of `rows`
/// documents placed in `dir`, or on the server register of `rows`; null
/// (the benchmark marked skipped) when that cannot be had.
std::unique_ptr<frmMain> openWindow(benchmark::State& state, const QTemporaryDir& dir, int rows,
                                    bool onServer) {
    StartupOptions options;
    options.dataFolder = dir.path();
    if (onServer) {
        options.server = benchServerRegister(rows);
        if (options.server.isEmpty()) {
            state.SkipWithError("no server: set TOLVANE_BENCH_PG");
            return nullptr;
        }
    } else {
        placeBenchRegister(rows, dir.path());
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    session::program::reset();
    auto w = std::make_unique<frmMain>();
    w->startUp(options);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) {
        state.SkipWithError("window not exposed");
        return nullptr;
    }
    w->chkFilterOn->click();
    w->waitForList();
    return w;
}

void closeWindow(std::unique_ptr<frmMain>& w) {
    w.reset();
    session::program::reset();
}

/// Whether the grid's top visible row is there with a cell containing
/// `text` (case-blind): the first screen of a filter's matching rows, or
/// with `text` empty, of any rows.
bool screenShows(const frmMain& w, const QString& text) {
    const int row = w.grdInfo->rowAt(0);
    if (row < 0)
        return false;
    const QAbstractItemModel* m = w.grdInfo->model();
    for (int c = 0; c < m->columnCount(); ++c) {
        const QString cell = m->index(row, c).data().toString();
        if (!cell.isEmpty() && cell.contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

/// Serves events until `ready` holds (at least one round, at most 60 s):
/// what the user waits for after a key or a scroll.
template <typename Ready> void settle(Ready ready) {
    QCoreApplication::processEvents();
    QElapsedTimer limit;
    limit.start();
    while (!ready() && limit.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

/// The longest stretch in which the GUI thread served no events: a timer
/// due at once, ticking whenever the event loop runs, and the widest gap
/// between ticks from start() to stop().
class BlockProbe {
public:
    BlockProbe() {
        tick_.setInterval(0);
        QObject::connect(&tick_, &QTimer::timeout, [this] { mark(); });
        clock_.start();
    }
    void start() {
        widest_ = 0;
        last_ = clock_.nsecsElapsed();
        tick_.start();
    }
    /// The widest gap since start(), in ms.
    double stop() {
        mark();
        tick_.stop();
        return static_cast<double>(widest_) / 1e6;
    }

private:
    void mark() {
        const qint64 now = clock_.nsecsElapsed();
        widest_ = std::max(widest_, now - last_);
        last_ = now;
    }
    QTimer tick_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 widest_ = 0;
};

/// The program's resident memory now, in MB (VmRSS), 0 where unknown.
double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

/// Sets median_ms and p95_ms (or `prefix`median_ms..) from `ms`.
void reportSpread(benchmark::State& state, std::vector<double> ms, const std::string& prefix = {}) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters[prefix + "median_ms"] = ms[ms.size() / 2];
    state.counters[prefix + "p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    state.counters[prefix + "max_ms"] = ms.back();
}

/// Times steps that end with a filled screen: each one's wall time and the
/// GUI thread's longest block during it, reported as their spreads. A step
/// may have a tail, the rest of the work it started (the whole list read
/// after its first screen), timed apart as all_*; the block time covers
/// both.
class ScreenTimer {
public:
    /// Runs `step`, then `tail`; returns the step's wall time in seconds.
    template <class Step, class Tail> double time(Step&& step, Tail&& tail) {
        clock_.start();
        probe_.start();
        step();
        const double elapsed = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
        tail();
        allMs_.push_back(static_cast<double>(clock_.nsecsElapsed()) / 1e6);
        blocked_.push_back(probe_.stop());
        ms_.push_back(elapsed * 1e3);
        return elapsed;
    }
    template <class Step> double time(Step&& step) {
        return time(step, [] {});
    }
    /// The spreads, and the rows the window's list holds.
    void report(benchmark::State& state, const frmMain& w) const {
        reportSpread(state, ms_);
        reportSpread(state, allMs_, "all_");
        reportSpread(state, blocked_, "block_");
        state.counters["rows"] = w.dtaDocuments->recordset()->rowCount();
    }

private:
    std::vector<double> ms_;
    std::vector<double> allMs_;
    std::vector<double> blocked_;
    BlockProbe probe_;
    QElapsedTimer clock_;
};

/// Types and deletes "contract" in the Desc filter of a window started on
/// the register file of `rows` documents, or on the server register.
void keystrokes(benchmark::State& state, int rows, bool onServer) {
    QTemporaryDir dir;
    auto w = openWindow(state, dir, rows, onServer);
    if (!w)
        return;
    const QString word = QStringLiteral("contract");
    QTest::keyClicks(w->txtFilterDesc, word);
    w->waitForList(); // the re-run the keys asked for
    auto rs = w->dtaDocuments->recordset();
    rs->setAbsolutePosition(rs->rowCount() / 2);
    const int remembered = rs->field(QStringLiteral("RecordPtr")).toInt();
    QCoreApplication::processEvents();

    ScreenTimer timer;
    size_t step = 0; // 0..7 deletes, 8..15 types
    for (auto _ : state) {
        timer.time(
            [&] {
                if (step < 8)
                    QTest::keyClick(w->txtFilterDesc, Qt::Key_Backspace);
                else
                    QTest::keyClick(w->txtFilterDesc,
                                    word[static_cast<qsizetype>(step - 8)].toLatin1());
                settle([&] {
                    return w->listShowsLatest() && screenShows(*w, w->txtFilterDesc->text());
                });
            },
            [&] { settle([&] { return w->listComplete(); }); });
        step = (step + 1) % 16;
        if (w->dtaDocuments->recordset()->field(QStringLiteral("RecordPtr")).toInt() !=
            remembered) {
            state.SkipWithError("remembered row lost");
            break;
        }
    }
    timer.report(state, *w);
    state.counters["resident_mb"] = residentMb();
    closeWindow(w);
}

void KeystrokeInDescFilter(benchmark::State& state) {
    keystrokes(state, static_cast<int>(state.range(0)), false);
}

void KeystrokeOnServer(benchmark::State& state) {
    keystrokes(state, static_cast<int>(state.range(0)), true);
}

/// The first screen of a pattern's rows after its last key, from a list
/// filtered by all but that key (the filter emptied in between, untimed).
/// range(0) documents, range(1) 0 the file, 1 the server, range(2) the
/// pattern: 0 rare (a phrase of one mid-register document), 1 one letter.
void FirstScreen(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    auto w = openWindow(state, dir, rows, state.range(1) == 1);
    if (!w)
        return;
    QString pattern = QStringLiteral("q");
    if (state.range(2) == 0) {
        // Its first two words and numbers, e.g. "Quote 5310 Memo 88": with
        // 14 words and 10^4 numbers, a phrase one document in 10^6 has.
        auto rs = w->dtaDocuments->recordset();
        rs->setAbsolutePosition(rs->rowCount() / 2);
        const QStringList words =
            rs->field(QStringLiteral("Description")).toString().split(QLatin1Char(' '));
        pattern = words.mid(0, 4).join(QLatin1Char(' '));
    }
    ScreenTimer timer;
    for (auto _ : state) {
        w->txtFilterDesc->clear();
        settle([&] { return w->listComplete() && screenShows(*w, {}); });
        w->txtFilterDesc->setText(pattern.chopped(1));
        settle([&] { return w->listComplete() && screenShows(*w, pattern.chopped(1)); });
        state.SetIterationTime(timer.time(
            [&] {
                QTest::keyClick(w->txtFilterDesc, pattern.back().toLatin1());
                settle([&] { return w->listShowsLatest() && screenShows(*w, pattern); });
            },
            [&] { settle([&] { return w->listComplete(); }); }));
    }
    timer.report(state, *w);
    closeWindow(w);
}

/// A jump of the unfiltered list's scroll bar to a random position, until
/// the screen there is filled. range(0) documents, range(1) the backend.
void ScrollJump(benchmark::State& state) {
    QTemporaryDir dir;
    auto w = openWindow(state, dir, static_cast<int>(state.range(0)), state.range(1) == 1);
    if (!w)
        return;
    QScrollBar* bar = w->grdInfo->verticalScrollBar();
    std::mt19937 rng(7);
    ScreenTimer timer;
    for (auto _ : state) {
        const int to =
            bar->minimum() +
            static_cast<int>(rng() % static_cast<unsigned>(bar->maximum() - bar->minimum() + 1));
        state.SetIterationTime(timer.time([&] {
            bar->setValue(to);
            settle([&] { return screenShows(*w, {}); });
        }));
    }
    timer.report(state, *w);
    closeWindow(w);
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
    reportSpread(state, ms);
}

} // namespace

BENCHMARK(QueryOnly)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(160);
BENCHMARK(QueryOnly)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(32);
BENCHMARK(KeystrokeInDescFilter)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(160);
BENCHMARK(KeystrokeInDescFilter)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(48);
BENCHMARK(KeystrokeOnServer)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(160);
BENCHMARK(KeystrokeOnServer)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(48);
BENCHMARK(FirstScreen)
    ->ArgsProduct({{100000, 1000000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->UseManualTime();
BENCHMARK(ScrollJump)
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->UseManualTime();
