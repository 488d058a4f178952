// The list loader (list_loader.h): a worker thread that reads the list's
// keys on a connection of its own, a second thread that stops the worker's
// reads (a newer load, a cancel, a first screen that takes too long), and
// the hand-over of the results to the user's thread.
//
// The interrupts come from a thread of their own because stopping a read
// on a server is a request over the network, which the user's thread must
// not wait for. A read is only ever stopped while it runs, again and again
// until it ends; a stop that lands on a read it was not meant for
// (possible on a server, whose cancel arrives late) is read again.
//
// The first screen of a list with a pattern is read by walking the list's
// order, which fills a screen at once when many rows match; when that
// takes longer than a moment the pattern is rare, and the screen is read
// again through the text index, which finds a rare pattern's rows at once.
// The whole list is read through the text index.

#include "list_loader.h"

#include "store/database.h"
#include "store/engine_error.h"

#include <QPointer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace session {

namespace {

using Clock = std::chrono::steady_clock;

/// How long the first screen is read by walking the list's order before
/// it is read through the text index instead.
constexpr std::chrono::milliseconds screenBudget{20};

/// How soon a read to be stopped is interrupted again while it goes on:
/// an interrupt that comes before its statement starts does not stop it.
constexpr std::chrono::milliseconds interruptAgain{5};

/// How often a read stopped by an interrupt meant for another is read
/// again before its failure is reported.
constexpr int rereads = 3;

bool hasPattern(const store::query::Select& q) {
    return std::any_of(q.conditions.begin(), q.conditions.end(), [](const auto& c) {
        return c.op == store::query::Op::Like || c.op == store::query::Op::NotLike;
    });
}

struct Request {
    quint64 generation = 0;
    store::query::Select query{QString()};
    int screenRows = 0;
};

struct Result {
    enum class Kind { First, All, Failed };
    Kind kind = Kind::Failed;
    quint64 generation = 0;
    std::vector<qint64> keys;
    bool complete = false;
    std::exception_ptr error;

    /// The load's last signal.
    bool last() const { return kind != Kind::First || complete; }
};

enum class Outcome { Read, Overtaken, OutOfTime };

} // namespace

struct ListLoader::Worker {
    ListLoader* owner = nullptr;
    QString location;

    std::mutex m;
    std::condition_variable work;    ///< the worker: a request, or the end
    std::condition_variable watch;   ///< the interrupter: a read to stop, a deadline, the end
    std::condition_variable arrived; ///< waitForIdle(): a result is ready

    // Written on the user's thread, read anywhere.
    std::atomic<quint64> latest{0}; ///< the newest generation handed out
    // The user's thread only.
    quint64 busyGeneration = 0; ///< the load whose last signal is awaited, 0 for none

    // Guarded by m (db is set by the worker only, which reads it unlocked).
    std::optional<Request> pending;            ///< the newest request not yet taken
    std::deque<Result> ready;                  ///< results for the user's thread
    std::optional<store::Database> db;         ///< the worker's own, set once, closed at its end
    bool reading = false;                      ///< a read of the worker runs
    quint64 reads = 0;                         ///< counts the reads begun
    quint64 stopping = 0;                      ///< the read to be stopped
    bool stopNow = false;                      ///< interrupt the read under way
    std::optional<Clock::time_point> deadline; ///< of the budgeted read under way
    bool outOfTime = false;                    ///< the budgeted read was stopped at its deadline
    bool interrupting = false;                 ///< the interrupter is calling into db
    bool stop = false;                         ///< the loader is going

    std::unique_ptr<QThread> thread;
    std::thread interrupter;

    // The worker's thread.
    void run();
    void serve(const Request& r);
    Outcome read(const Request& r, const store::query::Select& q, std::optional<int> limit,
                 bool budget, std::vector<qint64>& keys);
    void post(Result r);
    // The interrupter's thread.
    void interrupts();
    // The user's thread.
    void requestStop();
    void deliver();
};

// --- the worker ----------------------------------------------------------------

void ListLoader::Worker::run() {
    for (;;) {
        Request r;
        {
            std::unique_lock lock(m);
            work.wait(lock, [&] { return stop || pending; });
            if (stop)
                break;
            r = std::move(*pending);
            pending.reset();
        }
        if (r.generation != latest)
            continue;
        try {
            serve(r);
        } catch (...) {
            if (r.generation == latest)
                post({Result::Kind::Failed, r.generation, {}, false, std::current_exception()});
        }
    }
    // The connection goes here, on the thread that used it, once nothing
    // can interrupt it any more.
    std::optional<store::Database> closing;
    {
        std::unique_lock lock(m);
        watch.wait(lock, [&] { return !interrupting; });
        closing.swap(db);
    }
}

void ListLoader::Worker::serve(const Request& r) {
    if (!db) {
        store::Database opened = store::Database::open(location);
        const std::lock_guard lock(m);
        db = std::move(opened);
    }
    const int rows = std::max(r.screenRows, 0);
    store::query::Select q = r.query;
    q.textIndex = true;
    std::vector<qint64> first;
    // Without a pattern the text index changes nothing: one read.
    Outcome o = Outcome::OutOfTime;
    if (hasPattern(q)) {
        store::query::Select walked = q;
        walked.textIndex = false;
        o = read(r, walked, rows, true, first);
    }
    if (o == Outcome::OutOfTime)
        o = read(r, q, rows, false, first);
    if (o != Outcome::Read)
        return;
    const bool complete = first.size() < static_cast<size_t>(rows);
    post({Result::Kind::First, r.generation, std::move(first), complete, {}});
    if (complete)
        return;
    std::vector<qint64> all;
    if (read(r, q, std::nullopt, false, all) == Outcome::Read)
        post({Result::Kind::All, r.generation, std::move(all), false, {}});
}

/// Reads the keys of `q` for request `r`, within the screen budget when
/// `budget`; Overtaken when a newer load (or the loader's end) came first.
Outcome ListLoader::Worker::read(const Request& r, const store::query::Select& q,
                                 std::optional<int> limit, bool budget, std::vector<qint64>& keys) {
    for (int attempt = 0;; ++attempt) {
        {
            const std::lock_guard lock(m);
            if (stop || r.generation != latest)
                return Outcome::Overtaken;
            reading = true;
            ++reads;
            stopNow = false;
            outOfTime = false;
            if (budget)
                deadline = Clock::now() + screenBudget;
        }
        watch.notify_all();
        bool interrupted = false;
        std::exception_ptr failure;
        try {
            keys = db->readKeys(q, limit);
        } catch (const store::EngineError& e) {
            if (e.number() != store::err::Interrupted)
                failure = std::current_exception();
            interrupted = true;
        } catch (...) {
            failure = std::current_exception();
        }
        bool timedOut = false;
        {
            // An interrupt under way ends before the next statement starts,
            // so that it cannot stop that one instead.
            std::unique_lock lock(m);
            reading = false;
            deadline.reset();
            watch.wait(lock, [&] { return !interrupting; });
            timedOut = outOfTime;
            if (stop || r.generation != latest)
                return Outcome::Overtaken;
        }
        if (failure)
            std::rethrow_exception(failure);
        if (!interrupted)
            return Outcome::Read;
        if (timedOut)
            return Outcome::OutOfTime;
        if (attempt == rereads)
            throw store::EngineError(store::err::Interrupted,
                                     QStringLiteral("Reading the list was stopped again and "
                                                    "again. Please try again."));
    }
}

void ListLoader::Worker::post(Result r) {
    {
        const std::lock_guard lock(m);
        ready.push_back(std::move(r));
    }
    arrived.notify_all();
    QMetaObject::invokeMethod(
        owner, [this] { deliver(); }, Qt::QueuedConnection);
}

// --- the interrupter -----------------------------------------------------------

void ListLoader::Worker::interrupts() {
    std::unique_lock lock(m);
    Clock::time_point next; // when to interrupt the read to be stopped (again)
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (reading && stopping != reads) {
            const bool timeUp = deadline && now >= *deadline;
            if (stopNow || stop || timeUp) {
                stopping = reads;
                outOfTime = timeUp;
                next = now;
            }
        }
        if (reading && stopping == reads) {
            if (now < next) {
                watch.wait_until(lock, next);
                continue;
            }
            interrupting = true;
            const store::Database* target = db ? &*db : nullptr;
            lock.unlock();
            if (target)
                target->interrupt();
            lock.lock();
            interrupting = false;
            watch.notify_all();
            next = Clock::now() + interruptAgain;
            continue;
        }
        if (stop)
            return;
        if (reading && deadline)
            watch.wait_until(lock, *deadline);
        else
            watch.wait(lock);
    }
}

// --- the user's thread ---------------------------------------------------------

void ListLoader::Worker::requestStop() {
    {
        const std::lock_guard lock(m);
        if (reading)
            stopNow = true;
    }
    watch.notify_all();
    work.notify_all();
}

void ListLoader::Worker::deliver() {
    for (;;) {
        Result r;
        {
            const std::lock_guard lock(m);
            if (ready.empty())
                return;
            r = std::move(ready.front());
            ready.pop_front();
        }
        if (r.generation != latest)
            continue;
        if (r.last() && r.generation == busyGeneration)
            busyGeneration = 0;
        // A slot may delete the loader, and this with it.
        const QPointer<ListLoader> alive(owner);
        switch (r.kind) {
        case Result::Kind::First:
            emit owner->firstRows(r.generation, r.keys, r.complete);
            break;
        case Result::Kind::All:
            emit owner->allRows(r.generation, r.keys);
            break;
        case Result::Kind::Failed:
            emit owner->failed(r.generation, r.error);
            break;
        }
        if (!alive)
            return;
    }
}

ListLoader::ListLoader(QString location, QObject* parent)
    : QObject(parent), w_(std::make_unique<Worker>()) {
    qRegisterMetaType<std::vector<qint64>>();
    qRegisterMetaType<std::exception_ptr>();
    w_->owner = this;
    w_->location = std::move(location);
    w_->thread.reset(QThread::create([w = w_.get()] { w->run(); }));
    w_->thread->setObjectName(QStringLiteral("list loader"));
    w_->thread->start();
    w_->interrupter = std::thread([w = w_.get()] { w->interrupts(); });
}

ListLoader::~ListLoader() {
    cancel();
    {
        const std::lock_guard lock(w_->m);
        w_->stop = true;
    }
    w_->watch.notify_all();
    w_->work.notify_all();
    w_->interrupter.join();
    w_->thread->wait();
}

quint64 ListLoader::load(const store::query::Select& query, int screenRows) {
    const quint64 generation = w_->latest + 1;
    {
        const std::lock_guard lock(w_->m);
        w_->latest = generation;
        w_->pending = Request{generation, query, screenRows};
    }
    w_->requestStop();
    w_->busyGeneration = generation;
    return generation;
}

void ListLoader::cancel() {
    {
        const std::lock_guard lock(w_->m);
        ++w_->latest;
        w_->pending.reset();
    }
    w_->requestStop();
    w_->busyGeneration = 0;
}

bool ListLoader::busy() const {
    return w_->busyGeneration != 0;
}

bool ListLoader::waitForIdle(int msecs) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(std::max(msecs, 0));
    for (;;) {
        w_->deliver();
        if (!busy())
            return true;
        std::unique_lock lock(w_->m);
        const auto anything = [&] { return !w_->ready.empty(); };
        if (msecs < 0)
            w_->arrived.wait(lock, anything);
        else if (!w_->arrived.wait_until(lock, until, anything))
            return false;
    }
}

} // namespace session
