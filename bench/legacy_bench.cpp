// Legacy import benchmarks: filing a legacy register of N records (notes of
// 0 to 2,000 characters, 50 type names, one record in 20 deleted) into a
// new register.
//  - ImportOneTransaction: ConvertLegacyFiles as shipped: one transaction,
//    each type name looked up once.
//  - ImportCommitPerRow: the older way of filing the same records: every
//    document and type row committed on its own, and two snapshot queries
//    on Types per record ("SELECT * FROM Types  WHERE Type = '...'").
// Both read the legacy files with the same parser; the time includes
// reading them. Making the empty database is not timed. Files lie in a
// temporary folder under the current directory (a real disk, so commits
// cost what they cost there).
// Run: build/bench/legacy_bench [--benchmark_filter=...]
//      (ImportCommitPerRow at 10^5 takes minutes; 10^4 is also registered.)

#include "legacy/legacy_import.h"
#include "legacy/legacy_parser.h"
#include "legacy/tools/legacy_writer.h"
#include "store/database.h"
#include "store/recordset.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

QTemporaryDir& workDir() {
    static QTemporaryDir dir(QDir::current().filePath(QStringLiteral("legacy_bench-XXXXXX")));
    return dir;
}

/// The folder holding a legacy register of `rows` records, made once.
QString legacyRegister(int rows) {
    static QMap<int, QString> made;
    if (made.contains(rows))
        return made[rows];
    const QString folder = workDir().filePath(QStringLiteral("legacy%1").arg(rows));
    QDir().mkpath(folder);
    std::mt19937 random(rows);
    std::uniform_int_distribution<int> noteLength(0, 2000), type(0, 49), day(0, 3650);
    const QString words = QStringLiteral("Invoice contract letter receipt warehouse lease tax "
                                         "insurance café Müller delivery order payment ");
    QList<legacy::LegacyEntry> entries;
    entries.reserve(rows);
    for (int i = 1; i <= rows; ++i) {
        legacy::LegacyEntry e;
        e.id = QString::number(i);
        e.description = words.mid((i * 7) % 60, 30);
        e.date = QDate(1990, 1, 1).addDays(day(random)).toString(QStringLiteral("yyyyMMdd"));
        e.dateAdded = e.date;
        e.dateChanged = e.date;
        e.type = QStringLiteral("Type %1").arg(type(random));
        e.who = QStringLiteral("Person %1").arg(i % 300);
        e.note = words.repeated(30).left(noteLength(random));
        e.deleted = i % 20 == 0;
        entries << e;
    }
    legacy::writeLegacyFiles(folder, legacy::buildLegacyFiles(entries));
    made[rows] = folder;
    return folder;
}

QString freshDatabase() {
    const QString file = workDir().filePath(QStringLiteral("Veld.MDB"));
    QFile::remove(file);
    store::Database::create(file);
    return file;
}

void ImportOneTransaction(benchmark::State& state) {
    const QString folder = legacyRegister(static_cast<int>(state.range(0)));
    int filed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto db = store::Database::open(freshDatabase());
        state.ResumeTiming();
        filed = legacy::ConvertLegacyFiles(db, folder).scan.delivered;
    }
    state.counters["documents"] = filed;
    state.counters["per_document"] = benchmark::Counter(
        filed, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

/// The older filing: plain updates (each its own commit) and two lookups
/// per record by composed SQL (quotes doubled so that every name works).
void ImportCommitPerRow(benchmark::State& state) {
    const QString folder = legacyRegister(static_cast<int>(state.range(0)));
    int filed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto db = store::Database::open(freshDatabase());
        state.ResumeTiming();
        const auto documents =
            db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        const auto types = db.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table);
        filed =
            legacy::ParseLegacyRegister(folder, [&](const legacy::LegacyDocument& doc) {
                documents->addNew();
                documents->setField(QStringLiteral("ID"), doc.id);
                documents->setField(QStringLiteral("Description"), doc.description);
                documents->setField(QStringLiteral("Date"), doc.date);
                documents->setField(QStringLiteral("DateAdded"), doc.dateAdded);
                documents->setField(QStringLiteral("DateChanged"), doc.dateChanged);
                const QString sql = QStringLiteral("SELECT * FROM Types  WHERE Type = '%1'")
                                        .arg(QString(doc.typeName).replace(u'\'', "''"));
                if (!doc.typeName.isEmpty() &&
                    db.openRecordset(sql, store::RecordsetType::Snapshot)->eof()) {
                    types->addNew();
                    types->setField(QStringLiteral("Type"), doc.typeName);
                    types->update();
                }
                const auto found = db.openRecordset(sql, store::RecordsetType::Snapshot);
                documents->setField(QStringLiteral("DocumentType"),
                                    found->eof() ? 0 : found->field(QStringLiteral("RecordPtr")));
                documents->setField(QStringLiteral("Who"), doc.who);
                documents->setField(QStringLiteral("Note"), doc.note);
                documents->update();
            }).delivered;
    }
    state.counters["documents"] = filed;
    state.counters["per_document"] = benchmark::Counter(
        filed, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(ImportOneTransaction)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(ImportCommitPerRow)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
