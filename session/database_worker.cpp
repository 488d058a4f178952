// The database worker (database_worker.h): one std::thread, a queue of
// jobs under a mutex, and the connection, which only the thread touches.

#include "database_worker.h"

#include <QDeadlineTimer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace session {

struct DatabaseWorker::Access::State {
    QString location;
    std::mutex m;
    std::condition_variable work; ///< the thread: a job, or the end
    std::condition_variable idle; ///< waitForIdle(): a job ended
    struct Entry {
        Job job;
        bool always = false;
    };
    std::deque<Entry> queue;
    bool running = false;                 ///< a job runs now
    bool going = false;                   ///< the destructor runs
    std::atomic<bool> stopRunning{false}; ///< the job under way is to stop
    std::optional<store::Database> db;    ///< the thread's own
    std::thread thread;

    void run();
};

const store::Database& DatabaseWorker::Access::db() {
    if (!s_.db)
        s_.db = store::Database::open(s_.location);
    return *s_.db;
}

bool DatabaseWorker::Access::cancelled() const {
    return s_.stopRunning.load();
}

void DatabaseWorker::Access::State::run() {
    Access access(*this);
    std::unique_lock lock(m);
    for (;;) {
        work.wait(lock, [this] { return going || !queue.empty(); });
        if (queue.empty())
            break; // going, and nothing kept left
        Entry entry = std::move(queue.front());
        queue.pop_front();
        running = true;
        lock.unlock();
        try {
            entry.job(access);
        } catch (...) {
            // A job reports its own failures; one it leaked ends only it.
        }
        lock.lock();
        running = false;
        if (!going)
            stopRunning = false;
        idle.notify_all();
    }
    lock.unlock();
    db.reset(); // closed on the thread that opened it
}

DatabaseWorker::DatabaseWorker(QString location) : s_(std::make_unique<Access::State>()) {
    s_->location = std::move(location);
    s_->thread = std::thread([s = s_.get()] { s->run(); });
}

DatabaseWorker::~DatabaseWorker() {
    {
        std::lock_guard lock(s_->m);
        std::erase_if(s_->queue, [](const Access::State::Entry& e) { return !e.always; });
        s_->going = true;
        s_->stopRunning = true;
    }
    s_->work.notify_all();
    s_->thread.join();
}

void DatabaseWorker::post(Job job, bool always) {
    {
        std::lock_guard lock(s_->m);
        s_->queue.push_back({std::move(job), always});
    }
    s_->work.notify_all();
}

void DatabaseWorker::cancel() {
    std::lock_guard lock(s_->m);
    std::erase_if(s_->queue, [](const Access::State::Entry& e) { return !e.always; });
    if (s_->running)
        s_->stopRunning = true;
}

bool DatabaseWorker::waitForIdle(int msecs) {
    const QDeadlineTimer deadline(msecs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(msecs));
    std::unique_lock lock(s_->m);
    const auto done = [this] { return s_->queue.empty() && !s_->running; };
    while (!done()) {
        if (deadline.isForever()) {
            s_->idle.wait(lock);
        } else if (s_->idle.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime())) ==
                       std::cv_status::timeout &&
                   !done()) {
            return false;
        }
    }
    return true;
}

} // namespace session
