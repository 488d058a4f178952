// Type-ahead cost per keystroke in a register of 10^5 documents of which
// 10^4 have descriptions beginning with "Invoice", one in ten all through
// the register; the 5,000 oldest of the others begin with "Archive", the
// rest with other office words:
//  - Keystroke: one call of TypeAheadDescription for the typed text "inv"
//    with the caret at the end, as the editor makes it on each key: the
//    range query, the text set on the control, the selection returned.
//  - KeystrokeNarrow: the same for "Invoice 12", which 10 or so share.
//  - KeystrokeOld: the same for "arc", whose 5,000 documents are all older
//    than the newest ones, so the whole prefix range is scanned.
//  - Walk: the lookup the index walk makes (seek, then one step per entry
//    with the prefix), the yardstick the query replaces.
// The register is made once and kept in the temporary folder.
// Run: build-f/bench/type_ahead_bench --benchmark_repetitions=5
//        --benchmark_report_aggregates_only=true

#include "bench_register.h"
#include "session/type_ahead.h"
#include "store/database.h"
#include "store/recordset.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int Documents = 100000;
constexpr int WithPrefix = 10000;
constexpr int OldPrefix = 5000;

/// Every tenth document an invoice, spread over the whole run, and the
/// oldest ones archived: "inv" finds many, "arc" only old ones.
QString prefixRegister() {
    return benchRegister(
        Documents, QStringLiteral("arkelby-typeahead-v3"), [](int id, const BenchPick& pick) {
            static const char* words[] = {"Order",  "Letter", "Contract", "Receipt", "Memo",
                                          "Report", "Notice", "Quote",    "Permit",  "Claim"};
            const QString word = id % (Documents / WithPrefix) == 0 ? QStringLiteral("Invoice")
                                 : id <= OldPrefix * 10 / 9         ? QStringLiteral("Archive")
                                                            : QString::fromLatin1(words[pick(10)]);
            return word + ' ' + QString::number(pick(10000)) + QStringLiteral(" for ") +
                   QString::number(pick(1000));
        });
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
    store::Database db = store::Database::open(prefixRegister());
    store::RecordsetPtr rs = [this] {
        auto r = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        r->setIndex(QStringLiteral("Description"));
        return r;
    }();
};

void keystroke(benchmark::State& state, const QString& typed) {
    Lookup lookup;
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
    Lookup lookup;
    for (auto _ : state)
        benchmark::DoNotOptimize(store::typeahead::bestStoredValue(
            *lookup.rs, QStringLiteral("Description"), QStringLiteral("inv"),
            store::typeahead::Method::Walk));
}

} // namespace

BENCHMARK(Keystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(KeystrokeNarrow)->Unit(benchmark::kMillisecond);
BENCHMARK(KeystrokeOld)->Unit(benchmark::kMillisecond);
BENCHMARK(Walk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
