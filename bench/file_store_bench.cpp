// Files kept with documents, at the store level, on the register file and
// (with TOLVANE_BENCH_PG) on the server:
//  - BM_AttachFile: a 20 MB file staged from disk and attached to a new
//    document (what the editor's Attach and Update cost), each run's bytes
//    different so that nothing is found stored already;
//  - BM_ReadFile: the same file read back and checked;
//  - BM_ChunkRows: 20 MB written as chunk rows of 256 KiB, 1 MiB or 4 MiB
//    in transactions of 4 MiB and read back by sequence number: what the
//    chunk size of file_chunks.h was chosen by;
//  - BM_WriterWaitWhileStaging: another user filing one document after
//    another while a 200 MB file is staged; counter max_wait_ms is the
//    longest a filing took.
// `file_store_bench --gigabyte [server]` instead attaches a 1 GB file and
// reads it back, then prints the program's peak resident memory.

#include "bench_server.h"
#include "store/connection.h"
#include "store/document_files.h"
#include "store/document_filing.h"
#include "store/recordset.h"
#include "store/transaction.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstring>
#include <iostream>
#include <thread>

namespace {

constexpr qint64 MB = 1024 * 1024;

/// Writes `size` bytes that differ from run to run into `path`, a MiB at
/// a time.
void writeFile(const QString& path, qint64 size, quint32 seed) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write the bench file");
    QByteArray block(MB, Qt::Uninitialized);
    quint32 x = 2463534242U ^ (seed * 2654435761U);
    for (qint64 done = 0; done < size; done += MB) {
        for (qsizetype i = 0; i < block.size(); ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            block[i] = static_cast<char>(x);
        }
        f.write(block.constData(), std::min(MB, size - done));
    }
}

/// A fresh, empty register for a benchmark's backend argument (0 the
/// file, 1 the server); nothing when no server is given.
std::optional<store::Database> freshRegister(benchmark::State& state, const QTemporaryDir& dir) {
    if (state.range(0) == 0)
        return store::Database::create(dir.filePath(QStringLiteral("files.mdb")));
    if (benchServer().isEmpty()) {
        state.SkipWithError("no server (TOLVANE_BENCH_PG)");
        return std::nullopt;
    }
    return store::Database::create(benchServerDatabase(QStringLiteral("files_bench"), true));
}

qint64 attach(const store::Database& db, const QString& path, int id) {
    const store::StagedFile staged = store::stageFile(db, path);
    auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    rs->addNew();
    store::DocumentEntry e;
    e.id = QString::number(id);
    e.description = QStringLiteral("with a file");
    e.date = QDate(2026, 12, 9);
    e.attach = {staged};
    const store::FilingResult r = store::fileDocument(*rs, e);
    if (r.outcome != store::Filing::Stored)
        throw std::runtime_error(r.failure.toStdString());
    store::releaseStaged(db, staged);
    return rs->lastModified();
}

/// Swallows what it is given, as a file written elsewhere would.
class NullDevice : public QIODevice {
public:
    NullDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 n) override { return n; }
};

void BM_AttachFile(benchmark::State& state) {
    QTemporaryDir dir;
    const auto db = freshRegister(state, dir);
    if (!db)
        return;
    const QString path = dir.filePath(QStringLiteral("scan.pdf"));
    int id = 0;
    for (auto _ : state) {
        state.PauseTiming();
        writeFile(path, 20 * MB, static_cast<quint32>(++id));
        state.ResumeTiming();
        attach(*db, path, id);
    }
    state.SetBytesProcessed(state.iterations() * 20 * MB);
}
BENCHMARK(BM_AttachFile)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ReadFile(benchmark::State& state) {
    QTemporaryDir dir;
    const auto db = freshRegister(state, dir);
    if (!db)
        return;
    const QString path = dir.filePath(QStringLiteral("scan.pdf"));
    writeFile(path, 20 * MB, 1);
    const qint64 ptr = attach(*db, path, 1);
    const store::StoredFile file = store::documentFiles(*db, ptr).at(0);
    for (auto _ : state) {
        NullDevice out;
        store::readFile(*db, file, out);
    }
    state.SetBytesProcessed(state.iterations() * 20 * MB);
}
BENCHMARK(BM_ReadFile)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ChunkRows(benchmark::State& state) {
    QTemporaryDir dir;
    const auto db = freshRegister(state, dir);
    if (!db)
        return;
    const qint64 chunk = state.range(1) * 1024;
    store::Connection& c = *db->connection();
    QByteArray data(chunk, 'x');
    auto insert = c.prepare(QStringLiteral(
        "INSERT INTO \"FileChunks\" (\"ContentPtr\", \"Seq\", \"Data\") VALUES (?1, ?2, ?3)"));
    auto read = c.prepare(QStringLiteral(
        "SELECT \"Data\" FROM \"FileChunks\" WHERE \"ContentPtr\" = ?1 AND \"Seq\" = ?2"));
    int content = 0;
    for (auto _ : state) {
        ++content;
        const qint64 chunks = 20 * MB / chunk;
        const qint64 perTransaction = std::max<qint64>(1, 4 * MB / chunk);
        for (qint64 seq = 0; seq < chunks;) {
            store::Transaction t(*db);
            for (qint64 k = 0; k < perTransaction && seq < chunks; ++k, ++seq) {
                data[0] = static_cast<char>(seq);
                insert->bind(1, content);
                insert->bind(2, seq);
                insert->bind(3, data);
                insert->step();
                insert->reset();
            }
            t.commit();
        }
        qint64 bytes = 0;
        for (qint64 seq = 0; seq < chunks; ++seq) {
            read->bind(1, content);
            read->bind(2, seq);
            read->step();
            bytes += read->column(0, store::schema::FieldKind::Data, true).toByteArray().size();
            read->reset();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * 20 * MB);
}
BENCHMARK(BM_ChunkRows)
    ->ArgsProduct({{0, 1}, {256, 1024, 4096}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_WriterWaitWhileStaging(benchmark::State& state) {
    QTemporaryDir dir;
    const auto db = freshRegister(state, dir);
    if (!db)
        return;
    const QString path = dir.filePath(QStringLiteral("scan.pdf"));
    writeFile(path, 200 * MB, 7);
    const QString location = db->location();
    qint64 longest = 0;
    int round = 0;
    for (auto _ : state) {
        std::atomic<bool> done{false};
        qint64 worst = 0;
        std::thread other([&] {
            const store::Database own = store::Database::open(location);
            auto rs = own.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
            QElapsedTimer t;
            for (int id = 1000000 * ++round; !done; ++id) {
                t.start();
                store::Transaction tx(own);
                rs->addNew();
                rs->setField(QStringLiteral("ID"), id);
                rs->update();
                tx.commit();
                worst = std::max(worst, t.elapsed());
            }
        });
        const store::StagedFile staged = store::stageFile(*db, path);
        done = true;
        other.join();
        store::releaseStaged(*db, staged);
        longest = std::max(longest, worst);
    }
    state.counters["max_wait_ms"] = static_cast<double>(longest);
}
BENCHMARK(BM_WriterWaitWhileStaging)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);

/// The peak resident memory of this process so far, in MB.
long peakResidentMB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    return -1;
}

int gigabyte(bool server) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.pdf"));
    writeFile(path, 1024 * MB, 99);
    const long before = peakResidentMB();
    const store::Database db =
        server ? store::Database::create(benchServerDatabase(QStringLiteral("files_bench"), true))
               : store::Database::create(dir.filePath(QStringLiteral("files.mdb")));
    QElapsedTimer timer;
    timer.start();
    const qint64 ptr = attach(db, path, 1);
    const qint64 attached = timer.restart();
    NullDevice out;
    store::readFile(db, store::documentFiles(db, ptr).at(0), out);
    std::cout << "1 GB file on the " << (server ? "server" : "register file") << ": attached in "
              << attached << " ms, read back and checked in " << timer.elapsed()
              << " ms; peak resident memory " << peakResidentMB() << " MB (" << before
              << " MB before)\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--gigabyte") == 0)
        return gigabyte(argc >= 3 && std::strcmp(argv[2], "server") == 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
