// Type-ahead cost per keystroke in registers of 10^5 and 10^6 documents
// of which one in ten, all through the register, have descriptions
// beginning with "Invoice"; the 5,000 oldest of the others begin with
// "Archive", the rest with other office words. Each case runs on the file
// (backend 0) and on a server (backend 1; TOLVANE_BENCH_PG names it, see
// bench_server.h; without it the server cases are skipped):
//  - Keystroke/rows/backend: one call of TypeAheadDescription for the
//    typed text "inv" with the caret at the end, as the editor makes it on
//    each key: the range query, the text set on the control, the selection
//    returned.
//  - KeystrokeNarrow: the same for "Invoice 12", which a few in 10^4 share.
//  - KeystrokeOld: the same for "arc", whose 5,000 documents are all older
//    than the newest ones, so the whole prefix range is scanned.
//  - Walk/rows: the lookup the index walk makes (seek, then one step per
//    entry with the prefix), the yardstick the query replaces; file only.
// The registers are made once and kept, in the temporary folder and on
// the server.
// Run: build-f/bench/type_ahead_bench --benchmark_repetitions=5
//        --benchmark_report_aggregates_only=true

#include "bench_register.h"
#include "bench_server.h"
#include "session/type_ahead.h"
#include "store/database.h"
#include "store/recordset.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int InvoiceEvery = 10;
constexpr int OldPrefix = 5000;

/// Every tenth document an invoice, spread over the whole run, and the
/// oldest ones archived: "inv" finds many, "arc" only old ones.
QString prefixDescription(int id, const BenchPick& pick) {
    static const char* words[] = {"Order",  "Letter", "Contract", "Receipt", "Memo",
                                  "Report", "Notice", "Quote",    "Permit",  "Claim"};
    const QString word = id % InvoiceEvery == 0 ? QStringLiteral("Invoice")
                         : id <= OldPrefix * InvoiceEvery / 9
                             ? QStringLiteral("Archive")
                             : QString::fromLatin1(words[pick(10)]);
    return word + ' ' + QString::number(pick(10000)) + QStringLiteral(" for ") +
           QString::number(pick(1000));
}

/// The register of the benchmark's size (argument 0) and backend (1).
QString prefixRegister(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const QString name = QStringLiteral("arkelby-typeahead-v3");
    const BenchDescribe describe = prefixDescription;
    const QString where = state.range(1) == 0 ? benchRegister(rows, name, describe)
                                              : benchServerRegister(rows, name, describe);
    if (where.isEmpty())
        state.SkipWithError("no server: set TOLVANE_BENCH_PG");
    return where;
}

/// A text box reduced to what type-ahead reads and writes.
class Field : public session::TextControl {
public:
    QString text() const override { return text_; }
    int selectionStart() const override { return start_; }
    int selectionLength() const override { return 0; }
    void setText(const QString& text) override {
        text_ = text;
        start_ = 0;
    }
    void type(const QString& text) {
        text_ = text;
        start_ = static_cast<int>(text.size());
    }

private:
    QString text_;
    int start_ = 0;
};

struct Lookup {
    explicit Lookup(const QString& where) : db(store::Database::open(where)) {}
    store::Database db;
    store::RecordsetPtr rs = [this] {
        auto r = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        r->setIndex(QStringLiteral("Description"));
        return r;
    }();
};

void keystroke(benchmark::State& state, const QString& typed) {
    const QString where = prefixRegister(state);
    if (where.isEmpty())
        return;
    Lookup lookup(where);
    Field field;
    qint16 start = 0;
    qint16 length = 0;
    for (auto _ : state) {
        field.type(typed);
        session::TypeAheadDescription(field, *lookup.rs, start, length);
        benchmark::DoNotOptimize(start);
    }
    if (start == 0)
        state.SkipWithError("no completion was offered");
    state.SetLabel(field.text().toStdString());
}

void Keystroke(benchmark::State& state) {
    keystroke(state, QStringLiteral("inv"));
}

void KeystrokeNarrow(benchmark::State& state) {
    keystroke(state, QStringLiteral("Invoice 12"));
}

void KeystrokeOld(benchmark::State& state) {
    keystroke(state, QStringLiteral("arc"));
}

void Walk(benchmark::State& state) {
    const QString where = prefixRegister(state);
    if (where.isEmpty())
        return;
    Lookup lookup(where);
    for (auto _ : state)
        benchmark::DoNotOptimize(store::typeahead::bestStoredValue(
            *lookup.rs, QStringLiteral("Description"), QStringLiteral("inv"),
            store::typeahead::Method::Walk));
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"rows", "backend"})->Unit(benchmark::kMillisecond);
    for (const int rows : {100000, 1000000})
        for (const int backend : {0, 1})
            b->Args({rows, backend});
}

} // namespace

BENCHMARK(Keystroke)->Apply(sizes);
BENCHMARK(KeystrokeNarrow)->Apply(sizes);
BENCHMARK(KeystrokeOld)->Apply(sizes);
BENCHMARK(Walk)
    ->ArgNames({"rows", "backend"})
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_MAIN();
