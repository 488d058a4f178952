// The list loader over 10^5 and 10^6 documents, on a register file and
// (with TOLVANE_BENCH_PG, see bench_server.h) a server register:
//  - FirstScreen: load() of the main list (a LIKE on the description, newest
//    first) to its first 60 keys on the user's thread.
//  - WholeList: load() to the keys of the whole list.
//  - Overtaken: a load overtaken at once by another (a keystroke after a
//    keystroke): load() of the second to its first screen, the first one's
//    read stopped on the way.
// Args: the backend (0 the file, 1 the server), the documents, and the
// pattern: 0 a common one ("*contract*"), 1 one no document holds, which no
// index of the order can stop early.
// Run: build-bench/bench/list_loader_bench [--benchmark_filter=...]

#include "bench_register.h"
#include "bench_server.h"
#include "session/list_loader.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

store::query::Select mainList(const char* pattern) {
    store::query::Select q{QStringLiteral("Documents")};
    q.where({QStringLiteral("Description"), store::query::Op::Like, QString::fromLatin1(pattern)})
        .orderBy(QStringLiteral("ID"), true);
    return q;
}

const char* pattern(const benchmark::State& state) {
    return state.range(2) ? "*qqzzqq*" : "*contract*";
}

/// Runs the user's thread until `done`.
template <class Done> void until(const Done& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void FirstScreen(benchmark::State& state) {
    const QString location = benchRegisterFor(state, static_cast<int>(state.range(1)));
    if (location.isEmpty())
        return;
    session::ListLoader loader(location);
    bool arrived = false;
    QObject::connect(&loader, &session::ListLoader::firstRows, [&] { arrived = true; });
    for (auto _ : state) {
        arrived = false;
        loader.load(mainList(pattern(state)), 60);
        until([&] { return arrived; });
        state.PauseTiming();
        loader.cancel();
        state.ResumeTiming();
    }
}

void WholeList(benchmark::State& state) {
    const QString location = benchRegisterFor(state, static_cast<int>(state.range(1)));
    if (location.isEmpty())
        return;
    session::ListLoader loader(location);
    for (auto _ : state) {
        loader.load(mainList(pattern(state)), 60);
        loader.waitForIdle();
    }
}

void Overtaken(benchmark::State& state) {
    const QString location = benchRegisterFor(state, static_cast<int>(state.range(1)));
    if (location.isEmpty())
        return;
    session::ListLoader loader(location);
    quint64 latest = 0;
    bool arrived = false;
    QObject::connect(&loader, &session::ListLoader::firstRows,
                     [&](quint64 g) { arrived = g == latest; });
    for (auto _ : state) {
        arrived = false;
        loader.load(mainList("*invoice*"), 60);
        latest = loader.load(mainList(pattern(state)), 60);
        until([&] { return arrived; });
        state.PauseTiming();
        loader.cancel();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(FirstScreen)
    ->ArgsProduct({{0, 1}, {100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WholeList)
    ->ArgsProduct({{0, 1}, {100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Overtaken)
    ->ArgsProduct({{0, 1}, {100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
