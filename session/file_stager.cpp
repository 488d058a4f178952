// The file stager (file_stager.h). Progress is reported at most every
// 1/100 of the file, so a large file does not flood the user's thread.

#include "file_stager.h"

#include "store/engine_error.h"

#include <QBuffer>
#include <QFileInfo>
#include <algorithm>

namespace session {

namespace {

/// "The file "scan.pdf" cannot be attached: why"
QString notAttached(const QString& name, const QString& why) {
    return QStringLiteral("The file \"%1\" cannot be attached: %2").arg(name, why);
}

} // namespace

FileStager::FileStager(QString location, QObject* parent)
    : QObject(parent), worker_(std::make_unique<DatabaseWorker>(std::move(location))),
      held_(std::make_shared<std::vector<store::StagedFile>>()) {
    qRegisterMetaType<store::StagedFile>();
}

FileStager::~FileStager() {
    // Kept through the worker's end: every staged file goes, also the one
    // a stopped staging may have finished just before it noticed.
    worker_->post(
        [held = held_](DatabaseWorker::Access& access) {
            for (const store::StagedFile& f : *held)
                store::releaseStaged(access.db(), f);
            held->clear();
        },
        true);
    worker_.reset();
}

int FileStager::stage(const QString& path) {
    const int job = nextJob_++;
    post(job, QFileInfo(path).fileName(),
         [path](const store::Database& db, const store::FileProgress& progress) {
             return store::stageFile(db, path, progress);
         });
    return job;
}

int FileStager::stage(QByteArray data, const QString& name) {
    const int job = nextJob_++;
    post(job, name,
         [data = std::move(data), name](const store::Database& db,
                                        const store::FileProgress& progress) {
             QBuffer buffer;
             buffer.setData(data);
             buffer.open(QIODevice::ReadOnly);
             return store::stageFile(db, buffer, name, progress);
         });
    return job;
}

void FileStager::post(
    int job, const QString& name,
    std::function<store::StagedFile(const store::Database&, const store::FileProgress&)> write) {
    running_.insert(job);
    worker_->post(
        [this, job, name, write = std::move(write), held = held_](DatabaseWorker::Access& access) {
            qint64 shown = -1;
            const store::FileProgress report = [&](qint64 done, qint64 total) {
                if (access.cancelled())
                    return false;
                const qint64 step = std::max<qint64>(total / 100, 1);
                if (shown < 0 || done - shown >= step || done == total) {
                    shown = done;
                    DatabaseWorker::deliver(
                        this, [this, job, done, total] { emit progress(job, done, total); });
                }
                return true;
            };
            try {
                const store::StagedFile file = write(access.db(), report);
                held->push_back(file);
                DatabaseWorker::deliver(this, [this, job, file] {
                    running_.erase(job);
                    emit staged(job, file);
                });
            } catch (const Failure& e) {
                if (access.cancelled())
                    return; // the stager is going or the job was dropped
                DatabaseWorker::deliver(this, [this, job, name, text = e.text()] {
                    running_.erase(job);
                    emit failed(job, notAttached(name, text));
                });
            }
        });
}

void FileStager::release(const store::StagedFile& file) {
    worker_->post(
        [held = held_, file](DatabaseWorker::Access& access) {
            const auto it = std::find_if(held->begin(), held->end(), [&](const auto& f) {
                return f.contentPtr == file.contentPtr;
            });
            if (it == held->end())
                return;
            held->erase(it);
            // The same content staged twice is one row: it stays while
            // the editor holds it under another name.
            if (std::none_of(held->begin(), held->end(),
                             [&](const auto& f) { return f.contentPtr == file.contentPtr; }))
                store::releaseStaged(access.db(), file);
        },
        true);
}

} // namespace session
