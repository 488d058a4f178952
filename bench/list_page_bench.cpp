// The main list's statements at the engine layer, over registers of 10^5
// and 10^6 documents, on the file and on a server (TOLVANE_BENCH_PG names
// the server, see bench_server.h; without it the server cases are skipped):
//  - FirstScreen/rows/backend/order/pattern: the list's query as the list
//    builds it, limited to a screen of 60 rows, opened as a dynaset and
//    walked to its end (every row's fields read), the text index allowed.
//  - FirstScreenWalk/...: the same with the text index forgone, the order's
//    index walked until the screen is full.
//  - AllKeys/rows/backend/order/pattern: the keys of every matching row,
//    as a dynaset over the whole list reads them.
//  - TypeLookups/rows/backend: the type list every window fills, and the
//    types window's test whether a type is in use, for a used and an
//    unused type.
// Orders: 0 ID DESC, 1 Description, 2 ID. Patterns: 0 none, 1 the one
// letter "q" in Description, 2 the common word "contract" in Description,
// 3 a rare phrase (the first two words and numbers of the mid-register
// document, one document in 10^6 has it), 4 "smith 4" in Who, 5 "zzzz" in
// Note, 6 one type and a year of dates. Counter rows: the rows read.
// With --plans [rows] the program prints each statement as the backend runs it
// and its plan (EXPLAIN QUERY PLAN on the file; EXPLAIN (ANALYZE,
// BUFFERS) on the server) and runs no benchmark.
// The registers are made once and kept, in the temporary folder and on the
// server (10^6 rows take minutes to make, on the server too).
// Run: build-bench/bench/list_page_bench [--benchmark_filter=...], on a
// Release build configured with -DTOLVANE_BUILD_BENCH=ON.

#include "bench_register.h"
#include "bench_server.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/query.h"
#include "store/recordset.h"
#include "store/type_lookups.h"
#include "store/value.h"

#include <QDate>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

using store::query::Op;

constexpr int Screen = 60;
const char* const orders[] = {"ID DESC", "DESCRIPTION", "ID"};
const char* const patterns[] = {"none", "q", "contract", "rare", "who", "note", "type+date"};

/// The first two words and numbers of the mid-register document.
QString rarePhrase(const store::Database& db, int rows) {
    store::query::Select q{QStringLiteral("Documents"), {QStringLiteral("Description")}};
    q.where({QStringLiteral("ID"), Op::Equal, rows / 2});
    const auto rs = db.openRecordset(q);
    return rs->field(QStringLiteral("Description"))
        .toString()
        .section(QLatin1Char(' '), 0, 3, QString::SectionSkipEmpty);
}

/// The list's query for an order and a pattern kind, as the list writes it.
store::query::Select listQuery(const store::Database& db, int rows, int order, int pattern) {
    store::query::Select q{QStringLiteral("Documents")};
    q.orderByText(QLatin1String(orders[order]));
    const auto contains = [&q](const char* field, const QString& text) {
        q.where({QLatin1String(field), Op::Like, QStringLiteral("*%1*").arg(text)});
    };
    switch (pattern) {
    case 1:
        contains("Description", QStringLiteral("q"));
        break;
    case 2:
        contains("Description", QStringLiteral("contract"));
        break;
    case 3: {
        static std::map<int, QString> phrase;
        if (!phrase.contains(rows))
            phrase[rows] = rarePhrase(db, rows);
        contains("Description", phrase[rows]);
        break;
    }
    case 4:
        contains("Who", QStringLiteral("smith 4"));
        break;
    case 5:
        contains("Note", QStringLiteral("zzzz"));
        break;
    case 6:
        q.where({QStringLiteral("Date"), Op::Greater, store::makeDate(QDate(2024, 1, 1))});
        q.where({QStringLiteral("DocumentType"), Op::Equal, 7});
        break;
    default:
        break;
    }
    return q;
}

/// The register of the benchmark's size and backend, opened once per run.
store::Database* registerFor(benchmark::State& state) {
    static std::map<std::pair<int, int>, store::Database> open;
    const int rows = static_cast<int>(state.range(0));
    const auto key = std::make_pair(rows, static_cast<int>(state.range(1)));
    if (!open.contains(key)) {
        const QString where = state.range(1) == 0 ? benchRegister(rows) : benchServerRegister(rows);
        if (where.isEmpty()) {
            state.SkipWithError("no server: set TOLVANE_BENCH_PG");
            return nullptr;
        }
        open[key] = store::Database::open(where);
    }
    return &open[key];
}

void firstScreen(benchmark::State& state, bool textIndex) {
    store::Database* db = registerFor(state);
    if (!db)
        return;
    const int rows = static_cast<int>(state.range(0));
    auto q =
        listQuery(*db, rows, static_cast<int>(state.range(2)), static_cast<int>(state.range(3)));
    q.limit = Screen;
    q.textIndex = textIndex;
    int read = 0;
    for (auto _ : state) {
        const auto rs = db->openRecordset(q);
        read = 0;
        for (; !rs->eof(); rs->moveNext(), ++read)
            benchmark::DoNotOptimize(rs->field(QStringLiteral("Description")));
    }
    state.counters["rows"] = read;
}

void FirstScreen(benchmark::State& state) {
    firstScreen(state, true);
}

void FirstScreenWalk(benchmark::State& state) {
    firstScreen(state, false);
}

void AllKeys(benchmark::State& state) {
    store::Database* db = registerFor(state);
    if (!db)
        return;
    const int rows = static_cast<int>(state.range(0));
    const auto q =
        listQuery(*db, rows, static_cast<int>(state.range(2)), static_cast<int>(state.range(3)));
    int read = 0;
    for (auto _ : state)
        read = db->openRecordset(q)->recordCount();
    state.counters["rows"] = read;
}

void TypeLookups(benchmark::State& state) {
    store::Database* db = registerFor(state);
    if (!db)
        return;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store::typeList(*db));
        // The types window's test before a delete: a type in use, one not.
        for (const int type : {7, 999}) {
            store::query::Select q{QStringLiteral("Documents")};
            q.where({QStringLiteral("DocumentType"), Op::Equal, type}).limit = 1;
            benchmark::DoNotOptimize(db->openRecordset(q, store::RecordsetType::Snapshot)->eof());
        }
    }
}

void cases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"rows", "backend", "order", "pattern"})->Unit(benchmark::kMillisecond);
    for (const int rows : {100000, 1000000})
        for (const int backend : {0, 1})
            for (int order = 0; order < 3; ++order)
                for (int pattern = 0; pattern < 7; ++pattern)
                    b->Args({rows, backend, order, pattern});
}

/// Prints every statement of the benchmarks as the backend runs it, with
/// its plan.
void printPlans(int only) {
    for (const int rows : {100000, 1000000})
        for (const int backend : {0, 1}) {
            if (only && rows != only)
                continue;
            const QString where = backend == 0 ? benchRegister(rows) : benchServerRegister(rows);
            if (where.isEmpty())
                continue;
            const auto db = store::Database::open(where);
            const auto& c = db.connection();
            for (int order = 0; order < 3; ++order)
                for (int pattern = 0; pattern < 7; ++pattern)
                    for (const int limit : {Screen, 0})
                        for (const bool textIndex : {true, false}) {
                            if (limit == 0 && !textIndex)
                                continue;
                            auto q = listQuery(db, rows, order, pattern);
                            if (limit)
                                q.limit = limit;
                            q.textIndex = textIndex;
                            QVariantList values;
                            QString sql = c->render(q, values);
                            if (limit == 0) // the key list as a dynaset reads it
                                sql.replace(QStringLiteral("SELECT *"),
                                            backend == 0 ? QStringLiteral("SELECT \"RecordPtr\"")
                                                         : QStringLiteral("SELECT \"recordptr\""));
                            const QString explain =
                                backend == 0 ? QStringLiteral("EXPLAIN QUERY PLAN ")
                                             : QStringLiteral("EXPLAIN (ANALYZE, BUFFERS) ");
                            std::printf("== rows %d %s order %s pattern %s %s%s\n%s\n", rows,
                                        backend == 0 ? "file" : "server", orders[order],
                                        patterns[pattern], limit ? "first screen" : "all keys",
                                        textIndex ? "" : " (text index forgone)", qPrintable(sql));
                            for (const QVariant& v : values)
                                std::printf("   value: %s\n", qPrintable(v.toString()));
                            const auto st =
                                c->prepareOwn(explain + sql, static_cast<int>(values.size()));
                            for (qsizetype i = 0; i < values.size(); ++i)
                                st->bind(static_cast<int>(i) + 1, values[i]);
                            while (st->step())
                                std::printf(
                                    "   %s\n",
                                    qPrintable(st->column(st->columnCount() - 1,
                                                          store::schema::FieldKind::Text, true)
                                                   .toString()));
                        }
        }
}

} // namespace

BENCHMARK(FirstScreen)->Apply(cases);
BENCHMARK(FirstScreenWalk)->Apply(cases);
BENCHMARK(AllKeys)->Apply(cases);
BENCHMARK(TypeLookups)
    ->ArgNames({"rows", "backend"})
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--plans") == 0) {
        printPlans(argc > 2 ? std::atoi(argv[2]) : 0);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
