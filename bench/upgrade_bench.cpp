// Converting a register of an earlier build (text columns in the program's
// own collation) when it is opened, at 10^5 documents: the time of
// Database::open on a fresh copy of such a register, which rebuilds both
// tables and their indexes in the built-in collation.
// Run: build/bench/upgrade_bench

#include "bench_register.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/sqlite/sqlite_functions.h"
#include "store/sqlite/sqlite_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

void exec(sqlite3* db, const QString& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
        qFatal("%s", message);
}

/// A register as earlier builds made it, holding the bench register's rows.
QString oldRegister(int rows) {
    const QString file =
        QDir::temp().filePath(QStringLiteral("arkelby-bench-old-%1.mdb").arg(rows));
    if (QFileInfo::exists(file))
        return file;
    const QString source = benchRegister(rows);
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    store::installTextFunctions(db);
    QString schema = store::sqlite::createStatements();
    schema.replace(QStringLiteral("COLLATE NOCASE"), QStringLiteral("COLLATE JETTEXT"));
    schema.replace(QStringLiteral("PRAGMA user_version = %1;").arg(store::schema::Version),
                   QString());
    exec(db, QStringLiteral("BEGIN;") + schema);
    exec(db, QStringLiteral("ATTACH '%1' AS src; INSERT INTO Documents SELECT * FROM "
                            "src.Documents; INSERT INTO Types SELECT * FROM src.Types; COMMIT; "
                            "DETACH src")
                 .arg(source));
    sqlite3_close(db);
    return file;
}

void OpenOldRegister(benchmark::State& state) {
    const QString old = oldRegister(static_cast<int>(state.range(0)));
    const QString copy = old + QStringLiteral(".copy");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(copy);
        QFile::copy(old, copy);
        state.ResumeTiming();
        benchmark::DoNotOptimize(store::Database::open(copy));
    }
    QFile::remove(copy);
    QFile::remove(copy + QStringLiteral(".lck"));
}

} // namespace

BENCHMARK(OpenOldRegister)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
