// The background reader of stored files' text (see file_text_reader.h).

#include "file_text_reader.h"

#include "platform/documents/file_reader.h"
#include "platform/documents/private_copy.h"
#include "platform/failure/failure.h"
#include "store/database.h"
#include "store/document_files.h"
#include "store/engine_error.h"

#include <QDebug>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace session {

namespace {

/// How often the worker looks for files other programs stored.
constexpr std::chrono::seconds lookInterval(5);

store::TextState stateOf(documents::ReadOutcome outcome) {
    switch (outcome) {
    case documents::ReadOutcome::Done:
        return store::TextState::Extracted;
    case documents::ReadOutcome::NoReader:
        return store::TextState::NoReader;
    case documents::ReadOutcome::Unreadable:
    case documents::ReadOutcome::OverLimits:
        break;
    }
    return store::TextState::Unreadable;
}

} // namespace

struct FileTextReader::Worker {
    FileTextReader* owner;
    QString location;
    documents::ReadLimits limits;
    std::atomic<bool> stopping{false};

    std::mutex mutex;
    std::condition_variable changed;
    bool woken = false;
    bool idle = false; ///< nothing pending found since the last wake
    std::thread thread;

    void run();
    /// Reads one pending content; false when there was none.
    bool readOne(const store::Database& db);
};

bool FileTextReader::Worker::readOne(const store::Database& db) {
    const std::optional<store::StoredFile> next = store::nextFileToRead(db);
    if (!next)
        return false;
    store::TextState state = store::TextState::Unreadable;
    QString text;
    try {
        documents::PrivateCopy copy(next->name);
        store::readFile(db, *next, copy.device());
        copy.finish();
        const documents::TextRead read = documents::readText(copy.path(), next->name, limits);
        if (stopping)
            return true; // left pending: its reservation goes with the connection
        state = stateOf(read.outcome);
        text = state == store::TextState::Extracted ? read.text : read.note;
    } catch (const store::EngineError& error) {
        if (error.number() == store::err::ItemNotFound)
            return true; // removed meanwhile
        if (error.number() != store::err::FileDamaged)
            throw;
        text = error.text();
    }
    store::storeFileText(db, next->contentPtr, state, text);
    emit owner->textStored(next->contentPtr);
    return true;
}

void FileTextReader::Worker::run() {
    std::optional<store::Database> db;
    bool failedBefore = false;
    while (!stopping) {
        bool more = false;
        try {
            if (!db) {
                db = store::Database::open(location);
                // Scans tried where OCR was missing are read now it is here.
                if (!db->readOnly() && documents::canReadScans())
                    store::retryFilesWithoutReader(*db);
            }
            more = !db->readOnly() && readOne(*db);
            failedBefore = false;
        } catch (const Failure& failure) {
            db.reset();
            if (!failedBefore)
                emit owner->failed(failure.text());
            failedBefore = true;
        }
        std::unique_lock lock(mutex);
        if (more && !woken)
            continue;
        idle = !more && !woken;
        changed.notify_all();
        if (!woken)
            changed.wait_for(lock, lookInterval, [this] { return stopping || woken; });
        woken = false;
        idle = false;
    }
    std::lock_guard lock(mutex);
    idle = true;
    changed.notify_all();
}

FileTextReader::FileTextReader(QString location, documents::ReadLimits limits, QObject* parent)
    : QObject(parent), w_(std::make_unique<Worker>()) {
    w_->owner = this;
    w_->location = std::move(location);
    w_->limits = limits;
    w_->limits.cancel = &w_->stopping;
}

FileTextReader::~FileTextReader() {
    if (!w_->thread.joinable())
        return;
    {
        std::lock_guard lock(w_->mutex);
        w_->stopping = true;
    }
    w_->changed.notify_all();
    w_->thread.join();
}

void FileTextReader::start() {
    if (!w_->thread.joinable())
        w_->thread = std::thread([this] { w_->run(); });
}

void FileTextReader::wake() {
    {
        std::lock_guard lock(w_->mutex);
        w_->woken = true;
        w_->idle = false;
    }
    w_->changed.notify_all();
}

bool FileTextReader::waitForIdle(int msecs) {
    std::unique_lock lock(w_->mutex);
    const auto done = [this] { return w_->idle; };
    if (msecs < 0) {
        w_->changed.wait(lock, done);
        return true;
    }
    return w_->changed.wait_for(lock, std::chrono::milliseconds(msecs), done);
}

} // namespace session
