// A register of 10^5 documents holding 10^5 files (5.35 GB: 50,000 to
// 57,000 bytes each, every one different, so that nothing is stored once
// for two), on the file and on the server (TOLVANE_BENCH_PG, see
// bench_server.h):
//
//  - backup: `--backup` of it (store::backUpRegister) while a second
//    program files documents one commit each; figures: the backup's time,
//    the second program's longest wait for one change (and its median),
//    how many it filed meanwhile, the backup's size.
//  - list: the main list's statements at the engine layer, on it and on
//    the same register without files (the bench register the others use):
//    the whole list's keys in description order, and its Desc filter
//    "*contract*" (keys and the first screen's rows); median of 5 runs.
//
// The register file with files is made from the bench register and removed
// at the end (it and its backup take 11 GB of disk); the server's register
// with files (database arkelby_files_bench) is made afresh each run: drop
// it afterwards (dropdb) to free its disk. The second program is this one, run with
// --file-documents REGISTER: it files documents until its standard input
// ends, then prints its figures.
// Measured (RelWithDebInfo, 2 shared cores under load from other builds):
// file: backup 84 s, the second program's longest wait 0.34 s (median
// 1.1 ms), the backup's one transaction 0.26 s; list with/without files:
// keys 8.4/8.2 ms, filter 11.0/10.9 ms, first screen 0.6/0.6 ms.
// server: backup 476 s (while the test suite ran), longest wait 0.15 s;
// list with/without files: keys 36/55 ms, filter 48/52 ms, first screen
// 7.1/4.1 ms (a few ms of noise on a loaded machine).
// Run: build/bench/files_bench [file|server] (both when not given), on a
// Release build configured with -DTOLVANE_BUILD_BENCH=ON.

#include "bench_register.h"
#include "bench_server.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/engine_error.h"
#include "store/query.h"
#include "store/recordset.h"
#include "store/register_backup.h"
#include "store/register_copy.h"
#include "store/transaction.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Rows = 100000;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

/// Random bytes from a fixed-seed stream: no two files alike.
class Bytes {
public:
    QByteArray next(int size) {
        QByteArray out(size, Qt::Uninitialized);
        for (int i = 0; i < size; i += 8) {
            state_ ^= state_ << 13;
            state_ ^= state_ >> 7;
            state_ ^= state_ << 17;
            std::memcpy(out.data() + i, &state_, std::min(8, size - i));
        }
        return out;
    }

private:
    quint64 state_ = 0x9E3779B97F4A7C15ull;
};

/// Gives each of the register's documents one file of its own, written as
/// rows of the three tables of files, 500 files a transaction.
qint64 addFiles(const QString& where) {
    const store::Database db = store::Database::open(where); // a writer adds the tables
    store::Connection& c = *db.connection();
    const auto mark = [&c](int n) { return c.placeholder(n); };
    const auto content =
        c.prepareOwn(QStringLiteral("INSERT INTO FileContents (ContentPtr, Sha256, Size, "
                                    "Complete, TextState) VALUES (%1, %2, %3, 1, 1)")
                         .arg(mark(1), mark(2), mark(3)),
                     3);
    const auto chunk = c.prepareOwn(QStringLiteral("INSERT INTO FileChunks (ChunkPtr, "
                                                   "ContentPtr, Seq, Data) VALUES "
                                                   "(%1, %1, 0, %2)")
                                        .arg(mark(1), mark(2)),
                                    2);
    const auto file =
        c.prepareOwn(QStringLiteral("INSERT INTO DocumentFiles (FilePtr, RecordPtr, Name, "
                                    "ContentPtr, Added) VALUES (%1, %1, %2, %1, %3)")
                         .arg(mark(1), mark(2), mark(3)),
                     3);
    Bytes bytes;
    qint64 total = 0;
    const QDateTime added = QDateTime::currentDateTime();
    for (int first = 1; first <= Rows; first += 500) {
        store::Transaction t(db);
        for (int n = first; n < first + 500 && n <= Rows; ++n) {
            const QByteArray data = bytes.next(50000 + (n * 7919) % 7001);
            total += data.size();
            content->bind(1, QVariant(qint64(n)));
            content->bind(2,
                          QString::fromLatin1(
                              QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()));
            content->bind(3, QVariant(qint64(data.size())));
            content->step();
            content->reset();
            chunk->bind(1, QVariant(qint64(n)));
            chunk->bind(2, data);
            chunk->step();
            chunk->reset();
            file->bind(1, QVariant(qint64(n)));
            file->bind(2, QStringLiteral("scan %1.pdf").arg(n));
            file->bind(3, added);
            file->step();
            file->reset();
        }
        t.commit();
    }
    store::Transaction t(db);
    for (const char* table : {"FileContents", "FileChunks", "DocumentFiles"})
        c.raiseCounter(QLatin1String(table), Rows);
    t.commit();
    return total;
}

/// The second program: files documents until standard input ends.
int fileDocuments(const QString& where) {
    try {
        const store::Database db = store::Database::open(where);
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        std::vector<double> waits;
        pollfd in{STDIN_FILENO, POLLIN, 0};
        for (int id = 10 * Rows; ::poll(&in, 1, 0) == 0; ++id) {
            const auto began = Clock::now();
            rs->addNew();
            rs->setField(QStringLiteral("ID"), id);
            rs->setField(QStringLiteral("Description"),
                         QStringLiteral("filed during the backup %1").arg(id));
            rs->update();
            waits.push_back(msSince(began));
            if (waits.size() == 1)
                std::printf("started\n"), std::fflush(stdout);
        }
        std::printf("filed %zu max_ms %.1f median_ms %.2f\n", waits.size(),
                    *std::max_element(waits.begin(), waits.end()), median(waits));
        return 0;
    } catch (const store::EngineError& e) {
        std::printf("failed: %s\n", qPrintable(e.text()));
        return 1;
    }
}

void backUpWhileFiling(const QString& where, const QString& backup) {
    QProcess other;
    other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    other.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--file-documents"), where});
    other.waitForReadyRead(60000); // "started"
    std::printf("  second program: %s", other.readAll().constData());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto began = Clock::now();
    try {
        const store::BackupOutcome out =
            store::backUpRegister(store::Database::open(where), backup);
        std::printf("  backup: %.1f s, %lld documents, %.2f GB\n", msSince(began) / 1000,
                    static_cast<long long>(out.documents), QFileInfo(backup).size() / 1e9);
    } catch (const store::EngineError& e) {
        std::printf("  backup failed after %.1f s: %s\n", msSince(began) / 1000,
                    qPrintable(e.text()));
    }
    other.closeWriteChannel();
    other.waitForFinished(60000);
    std::printf("  second program meanwhile: %s", other.readAll().constData());
    QFile::remove(backup);
}

/// The list's statements on the register `where`: medians of 5 runs.
void listFigures(const char* label, const QString& where) {
    const store::Database db = store::Database::open(where);
    const QStringList fields{QStringLiteral("RecordPtr"), QStringLiteral("ID"),
                             QStringLiteral("Description"), QStringLiteral("Who"),
                             QStringLiteral("Date")};
    std::vector<double> whole, filtered, screen;
    for (int run = 0; run < 5; ++run) {
        store::query::Select all(QStringLiteral("Documents"), fields);
        all.orderBy(QStringLiteral("Description"));
        auto began = Clock::now();
        const auto keys = db.readKeys(all);
        whole.push_back(msSince(began));
        store::query::Select some = all;
        some.where(
            {QStringLiteral("Description"), store::query::Op::Like, QStringLiteral("*contract*")});
        began = Clock::now();
        const auto found = db.readKeys(some);
        filtered.push_back(msSince(began));
        began = Clock::now();
        const auto rs = db.openRecordset(some, found);
        rs->prefetch(0, std::min<int>(50, rs->rowCount()));
        for (int row = 0; row < std::min<int>(50, rs->rowCount()); ++row)
            (void)rs->valueAt(row, QStringLiteral("Description"));
        screen.push_back(msSince(began));
        if (run == 0)
            std::printf("  %s: %zu documents, %zu with \"contract\"\n", label, keys.size(),
                        found.size());
    }
    std::printf("  %s: whole list keys %.1f ms, filter keys %.1f ms, first screen %.1f ms\n", label,
                median(whole), median(filtered), median(screen));
}

void onFile() {
    std::printf("file register\n");
    const QString plain = benchRegister(Rows);
    const QString withFiles = QDir::temp().filePath(QStringLiteral("arkelby-files-bench.mdb"));
    QFile::remove(withFiles);
    QFile::copy(plain, withFiles);
    auto began = Clock::now();
    const qint64 bytes = addFiles(withFiles);
    std::printf("  made: %.2f GB of files in %.0f s, register %.2f GB\n", bytes / 1e9,
                msSince(began) / 1000, QFileInfo(withFiles).size() / 1e9);
    listFigures("without files", plain);
    listFigures("with files", withFiles);
    backUpWhileFiling(withFiles, withFiles + QStringLiteral(".backup"));
    for (const QString& f : {withFiles, withFiles + QStringLiteral(".lck")})
        QFile::remove(f);
    QDir(withFiles + QStringLiteral(".holders")).removeRecursively();
}

void onServer() {
    if (benchServer().isEmpty()) {
        std::printf("server: skipped (TOLVANE_BENCH_PG not set)\n");
        return;
    }
    std::printf("server register\n");
    const QString plain = benchServerRegister(Rows);
    const QString withFiles = benchServerDatabase(QStringLiteral("arkelby_files_bench"), true);
    store::copyRegister(store::Database::open(benchRegister(Rows)), withFiles, {});
    auto began = Clock::now();
    const qint64 bytes = addFiles(withFiles);
    std::printf("  made: %.2f GB of files in %.0f s\n", bytes / 1e9, msSince(began) / 1000);
    listFigures("without files", plain);
    listFigures("with files", withFiles);
    backUpWhileFiling(withFiles,
                      QDir::temp().filePath(QStringLiteral("arkelby-files-bench-server.backup")));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--file-documents"))
        return fileDocuments(args[2]);
    const QString only = args.value(1);
    try {
        if (only.isEmpty() || only == QLatin1String("file"))
            onFile();
        if (only.isEmpty() || only == QLatin1String("server"))
            onServer();
    } catch (const store::EngineError& e) {
        std::printf("failed: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
