#pragma once
// FileStager: stores the files the editor attaches into the register
// before the document is filed, on a worker with its own connection
// (database_worker.h), so that the editor keeps answering while a large
// file is written. Each stage() is one job: it reports its progress, then
// the staged file (store::StagedFile, reserved by the stager's connection)
// or why it failed, by signals on the user's thread.
//
// The editor hands the staged files to the filing (DocumentEntry::attach);
// once filed, a document holds them. Whatever the stager staged is let go
// when the stager goes (the editor closing, filed or cancelled) or by
// release(): store::releaseStaged removes the content unless a document
// holds it by now, so a cancelled editor leaves nothing behind. A staging
// under way when the stager goes is stopped and leaves nothing either.
//
// Threading: construct, call and receive on the user's thread.

#include "database_worker.h"
#include "store/document_files.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <set>

namespace session {

class FileStager : public QObject {
    Q_OBJECT
public:
    /// A stager over the register at `location` (see DatabaseWorker).
    explicit FileStager(QString location, QObject* parent = nullptr);
    /// Stops a staging under way and lets every staged file go; waits.
    ~FileStager() override;

    /// Stages the file at `path` (opened without following a link);
    /// returns the job's number, which the signals carry.
    int stage(const QString& path);
    /// Stages `data` (pasted) under `name`.
    int stage(QByteArray data, const QString& name);
    /// Lets one staged file go now (removed from the editor's list).
    void release(const store::StagedFile& file);
    /// True while a staging has not reported its end.
    bool busy() const { return !running_.empty(); }

    /// The worker, for other jobs on the same connection (reading a
    /// stored file back to open or save it).
    DatabaseWorker& worker() { return *worker_; }

signals:
    void progress(int job, qint64 done, qint64 total);
    void staged(int job, const store::StagedFile& file);
    /// `message` is the complete text for the user.
    void failed(int job, const QString& message);

private:
    void post(
        int job, const QString& name,
        std::function<store::StagedFile(const store::Database&, const store::FileProgress&)> write);

    std::unique_ptr<DatabaseWorker> worker_;
    /// The staged files not yet let go; touched on the worker only.
    std::shared_ptr<std::vector<store::StagedFile>> held_;
    std::set<int> running_;
    int nextJob_ = 1;
};

} // namespace session

Q_DECLARE_METATYPE(store::StagedFile)
