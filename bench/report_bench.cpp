// The document report over a register of 10^4 documents with all five
// columns (ID, Description, Type, Date, Who) and 50 types:
//  - FirstPreviewPage: from pressing Preview in the report window to the
//    first page painted in the preview pane (the pane shows the first page
//    as soon as it is complete). Counter whole_preview_ms: until the whole
//    report is laid out and the pane repainted. Target 300 ms.
//  - WholeDocumentToPdf: from pressing Print to the last page of the PDF
//    written (progress window shown, as for a user). Target 2 s.
// Times are wall-clock; CPU time is shown beside them. Runs headless. Run: build/bench/report_bench
// The register is made once in a temporary folder (a few seconds).

#include "platform/print/print_engine.h"
#include "reports/frm_print.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/transaction.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int Documents = 10000;

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

/// A register of `Documents` rows with 50 types, made on first use.
store::Database benchDatabase() {
    static store::Database db;
    if (db.isOpen())
        return db;
    db = store::Database::create(folder().filePath(QStringLiteral("Veld.MDB")));
    static const char* words[] = {"Invoice", "Order",  "Letter",    "Contract", "Receipt",
                                  "Memo",    "Report", "Statement", "Notice",   "Quote"};
    static const char* people[] = {"Smith", "Jones", "O'Brien", "Müller", "García", "Nguyen"};
    std::mt19937 rng(7);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    store::Transaction transaction(db);
    for (int t = 1; t <= 50; ++t)
        db.execute(QStringLiteral("INSERT INTO Types (Type) VALUES ('Type %1')").arg(t));
    for (int i = 1; i <= Documents; ++i) {
        QString desc;
        while (desc.size() < 20 + pick(12))
            desc += QString::fromLatin1(words[pick(10)]) + ' ' + QString::number(pick(10000)) + ' ';
        db.execute(QStringLiteral("INSERT INTO Documents (ID, Description, DocumentType, Date, "
                                  "Who, Note) VALUES (%1, '%2', %3, '%4', '%5 %6', '')")
                       .arg(i)
                       .arg(desc.left(32).trimmed())
                       .arg(1 + pick(50))
                       .arg(QDate(2015, 1, 1).addDays(pick(3650)).toString(Qt::ISODate))
                       .arg(QString::fromUtf8(people[pick(6)]).replace('\'', QStringLiteral("''")))
                       .arg(pick(100)));
    }
    transaction.commit();
    return db;
}

std::unique_ptr<reports::frmPrint> openForm() {
    auto form = std::make_unique<reports::frmPrint>(
        benchDatabase(), [] { return QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"); });
    for (int i : {2, 3, 4})
        form->chkFields[static_cast<size_t>(i)]->setChecked(true);
    form->show();
    while (form->lblRecordCount->text().isEmpty())
        QApplication::processEvents();
    return form;
}

void FirstPreviewPage(benchmark::State& state) {
    auto form = openForm();
    QElapsedTimer clock;
    double firstPage = 0;
    QObject::connect(form->VSP, &print::PrintEngine::firstPageShown,
                     [&] { firstPage = static_cast<double>(clock.nsecsElapsed()) / 1e9; });
    double whole = 0;
    for (auto _ : state) {
        bool preview = true;
        clock.start();
        form->PrintReport(preview);
        form->VSP->repaint();
        whole += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(firstPage);
    }
    state.counters["pages"] = static_cast<double>(form->VSP->document().pages.size());
    state.counters["whole_preview_ms"] = whole / static_cast<double>(state.iterations());
}

void WholeDocumentToPdf(benchmark::State& state) {
    auto form = openForm();
    const QString pdf = folder().filePath(QStringLiteral("report.pdf"));
    form->VSP->setPdfOutput(pdf);
    for (auto _ : state) {
        bool preview = false;
        form->PrintReport(preview);
    }
    state.counters["pages"] = static_cast<double>(form->VSP->document().pages.size());
    state.counters["pdf_kB"] = static_cast<double>(QFileInfo(pdf).size()) / 1024.0;
}

BENCHMARK(FirstPreviewPage)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(WholeDocumentToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
