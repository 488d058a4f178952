// The Contents filter over 10^5 documents, each holding one file whose
// text (about 800 characters of office words) is stored, on the register
// file and on the server ("arkelby-contents-100000.mdb" in the temporary
// folder, a copy of the bench register with the files' rows added once;
// on the server the database arkelby_contents_100000, made alike):
//  - FirstScreen/backend/pattern/index: the list's first screen, 40 rows
//    by ID descending, their keys and fields read, for "*zygomorphic*"
//    (pattern 0: one file of 10^5 holds it) and "*invoice*" (pattern 1:
//    most files do), with the text index allowed or not
//    (Select::textIndex; the server's planner picks its trigram index
//    itself, so index 0 and 1 run alike there).
// Run: build/bench/contents_search_bench on a build configured with
// -DTOLVANE_BUILD_BENCH=ON; TOLVANE_BENCH_PG names a server (see
// bench_server.h), else the server cases are skipped.

#include "bench_register.h"
#include "bench_server.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/query.h"
#include "store/recordset.h"
#include "store/register_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

namespace {

using store::query::Op;
using store::query::Select;

constexpr int Rows = 100000;
constexpr int Words = 120;
const char* const RareWord = "zygomorphic";

const char* const Vocabulary[] = {
    "invoice",  "contract", "payment",   "delivery", "order",    "the",    "of",
    "and",      "for",      "account",   "total",    "amount",   "due",    "date",
    "customer", "supplier", "reference", "number",   "page",     "signed", "agreement",
    "terms",    "services", "period",    "tax",      "net",      "gross",  "bank",
    "transfer", "receipt",  "letter",    "report",   "meeting",  "office", "project",
    "budget",   "annual",   "quarter",   "review",   "approved", "notice", "address"};

/// The text of file `i` (0-based), the same on both backends' registers
/// in kind: words drawn from the vocabulary; the rare word in one file.
QString fileText(int i, std::mt19937& random) {
    std::uniform_int_distribution<int> pick(0, std::size(Vocabulary) - 1);
    QStringList words;
    if (i == Rows / 2)
        words << QLatin1String(RareWord);
    for (int w = 0; w < Words; ++w)
        words << QLatin1String(Vocabulary[pick(random)]);
    return words.join(u' ');
}

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK)
        throw std::runtime_error(message ? message : "sqlite3_exec failed");
}

/// The register file with a file of text for every document.
QString fileRegister() {
    const QString file = QDir::temp().filePath(QStringLiteral("arkelby-contents-%1.mdb").arg(Rows));
    if (QFileInfo::exists(file))
        return file;
    const QString building = file + QStringLiteral(".building");
    QFile::remove(building);
    if (!QFile::copy(benchRegister(Rows), building))
        throw std::runtime_error("the bench register cannot be copied");
    store::Database::open(building); // this build's tables and indexes
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(building).constData(), &db);
    exec(db, "BEGIN");
    std::vector<qint64> documents;
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT RecordPtr FROM Documents ORDER BY RecordPtr", -1, &st,
                           nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            documents.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_stmt* content = nullptr;
    sqlite3_stmt* held = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO FileContents (Sha256, Size, Complete, TextState, Text) "
                       "VALUES (printf('%064x', ?1), ?2, 1, 1, ?3)",
                       -1, &content, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO DocumentFiles (RecordPtr, Name, ContentPtr, Added) VALUES "
                       "(?1, 'scan.pdf', last_insert_rowid(), '2026-12-09 12:00:00')",
                       -1, &held, nullptr);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < documents.size(); ++i) {
        const QByteArray text = fileText(static_cast<int>(i), random).toUtf8();
        sqlite3_bind_int64(content, 1, static_cast<qint64>(i));
        sqlite3_bind_int64(content, 2, text.size());
        sqlite3_bind_text(content, 3, text.constData(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        if (sqlite3_step(content) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(content);
        sqlite3_bind_int64(held, 1, documents[i]);
        if (sqlite3_step(held) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(held);
    }
    sqlite3_finalize(content);
    sqlite3_finalize(held);
    exec(db, "COMMIT; ANALYZE");
    sqlite3_close(db);
    QFile::remove(building + QStringLiteral(".lck"));
    QFile::rename(building, file);
    return file;
}

struct ConnectionFinish {
    void operator()(PGconn* c) const noexcept { PQfinish(c); }
};

/// The server register with a file of text for every document; empty
/// without a server.
QString serverRegister() {
    if (benchServer().isEmpty())
        return {};
    const QString uri = benchServerDatabase(QStringLiteral("arkelby_contents_%1").arg(Rows));
    try {
        store::Database::open(uri);
    } catch (const store::EngineError&) {
        store::copyRegister(
            store::Database::open(benchRegister(Rows)),
            benchServerDatabase(QStringLiteral("arkelby_contents_%1").arg(Rows), true), {});
    }
    store::Database::open(uri); // this build's tables and indexes
    const std::unique_ptr<PGconn, ConnectionFinish> c(PQconnectdb(uri.toUtf8().constData()));
    const auto run = [&c](const QByteArray& sql) {
        PGresult* r = PQexec(c.get(), sql.constData());
        const QString error = QString::fromUtf8(PQresultErrorMessage(r));
        const QString value = PQntuples(r) > 0 ? QString::fromUtf8(PQgetvalue(r, 0, 0)) : QString();
        PQclear(r);
        if (!error.isEmpty())
            throw std::runtime_error(error.toStdString());
        return value;
    };
    if (run("SELECT count(*) FROM filecontents") != QLatin1String("0"))
        return uri;
    QStringList words;
    for (const char* w : Vocabulary)
        words << QStringLiteral("'%1'").arg(QLatin1String(w));
    run(QStringLiteral(
            "BEGIN; SELECT setseed(0.7); "
            "INSERT INTO filecontents (sha256, size, complete, textstate, text) SELECT "
            "lpad(to_hex(i), 64, '0'), 800, 1, 1, CASE WHEN i = %1 THEN '%2 ' ELSE '' END || "
            "(SELECT string_agg(w[1 + g * 0 + floor(random() * array_length(w, 1))::int], ' ') "
            "FROM "
            "generate_series(1, %3) g WHERE i >= 0) FROM generate_series(0, %4) i, (SELECT "
            "ARRAY[%5] AS w) v; "
            "INSERT INTO documentfiles (recordptr, name, contentptr, added) SELECT d.recordptr, "
            "'scan.pdf', c.contentptr, now() FROM (SELECT recordptr, row_number() OVER (ORDER BY "
            "recordptr) n FROM documents) d JOIN (SELECT contentptr, row_number() OVER (ORDER BY "
            "contentptr) n FROM filecontents) c USING (n); COMMIT; ANALYZE")
            .arg(Rows / 2)
            .arg(QLatin1String(RareWord))
            .arg(Words)
            .arg(Rows - 1)
            .arg(words.join(u','))
            .toUtf8());
    return uri;
}

void FirstScreen(benchmark::State& state) {
    const QString where = state.range(0) == 0 ? fileRegister() : serverRegister();
    if (where.isEmpty()) {
        state.SkipWithError("no server: set TOLVANE_BENCH_PG");
        return;
    }
    const auto db = store::Database::open(where);
    Select q{QStringLiteral("Documents")};
    q.where({{},
             Op::FilesTextLike,
             state.range(1) == 0 ? QStringLiteral("*%1*").arg(QLatin1String(RareWord))
                                 : QStringLiteral("*invoice*")})
        .orderBy(QStringLiteral("ID"), true);
    q.limit = 40;
    q.textIndex = state.range(2) != 0;
    int found = 0;
    for (auto _ : state) {
        const auto rs = db.openRecordset(q, store::RecordsetType::Dynaset);
        found = 0;
        for (; !rs->eof(); rs->moveNext()) {
            benchmark::DoNotOptimize(rs->field(QStringLiteral("Description")));
            ++found;
        }
    }
    state.counters["rows"] = found;
}

} // namespace

BENCHMARK(FirstScreen)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    ->ArgNames({"backend", "pattern", "index"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
