// Backing up a register file of 10^5 documents while another user keeps
// filing documents, one commit each, on a connection of its own in a second
// thread: the time from the call to the checked backup under its name
// (SQLite's online backup in one read transaction, the integrity check and
// row counts of the copy, the flushes and the rename).
// Counters: documents in the backup, filed = documents the other user
// stored during the timed backups (it waits while the copy is read), mb =
// the backup's size.
// Run: build/bench/backup_bench

#include "bench_register.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/register_backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <benchmark/benchmark.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Rows = 100000;

/// A copy of the benchmark register of its own, since it grows here.
QString workingRegister() {
    const QString file =
        QDir::temp().filePath(QStringLiteral("arkelby-backup-bench-%1.mdb").arg(::getpid()));
    QFile::remove(file);
    QFile::copy(benchRegister(Rows), file);
    return file;
}

/// Files documents into `file` until stopped, counting them.
class Filer {
public:
    explicit Filer(const QString& file)
        : thread_([this, file] {
              try {
                  const auto db = store::Database::open(file);
                  auto rs =
                      db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
                  for (int id = 10 * Rows; !stop_; ++id) {
                      rs->addNew();
                      rs->setField(QStringLiteral("ID"), id);
                      rs->setField(QStringLiteral("Description"),
                                   QStringLiteral("filed during the backup %1").arg(id));
                      rs->update();
                      ++filed;
                  }
              } catch (const store::EngineError& e) {
                  failure = e.text().toStdString();
              }
          }) {
        while (filed == 0 && failure.empty())
            std::this_thread::yield();
    }
    ~Filer() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> filed{0};
    std::string failure;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void BackUpWhileFiling(benchmark::State& state) {
    const QString source = workingRegister();
    const QString target =
        QDir::temp().filePath(QStringLiteral("arkelby-backup-bench-%1.backup.MDB").arg(::getpid()));
    qint64 documents = 0;
    int filedDuring = 0;
    {
        const auto db = store::Database::open(source);
        Filer other(source);
        for (auto _ : state) {
            state.PauseTiming();
            QFile::remove(target);
            const int before = other.filed;
            state.ResumeTiming();
            documents = store::backUpRegister(db, target).documents;
            state.PauseTiming();
            filedDuring += other.filed - before;
            state.ResumeTiming();
        }
        if (!other.failure.empty())
            state.SkipWithError(other.failure.c_str());
    }
    state.counters["documents"] = static_cast<double>(documents);
    state.counters["filed"] = filedDuring;
    state.counters["mb"] = static_cast<double>(QFileInfo(target).size()) / 1e6;
    for (const QString& f : {source, target})
        for (const QString& suffix : {QString(), QStringLiteral(".lck")})
            QFile::remove(f + suffix);
}

} // namespace

BENCHMARK(BackUpWhileFiling)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
