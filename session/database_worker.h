#pragma once
// DatabaseWorker: a thread with a connection of its own to the register,
// which runs the jobs handed to it one after the other, in order. The
// windows use it for the work on stored files that may take a while
// (storing a file being attached, reading one back for a preview, to open
// or to save), so that the user's thread never waits for the register or
// the disk.
//
// The connection is opened by the first job that asks for it (db()), from
// the location given; a failure to open raises there, in that job, and
// the next job tries again. Each job catches what it raises: one that
// leaks an exception is ended and the worker goes on.
//
// Jobs report back with deliver(), which runs a function on the thread of
// a receiver (normally the window): it is dropped when the receiver has
// gone by then.
//
// Threading: construct, post and destroy on one thread (the user's); the
// jobs run on the worker's own.

#include "store/database.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

namespace session {

class DatabaseWorker {
public:
    /// What a job gets: the worker's connection, opened on first use.
    class Access {
    public:
        /// Opens the register if not yet open; raises EngineError.
        const store::Database& db();
        /// True once the worker is going or cancel() was called: a long
        /// job stops at its next step.
        bool cancelled() const;

    private:
        friend class DatabaseWorker;
        struct State;
        explicit Access(State& s) : s_(s) {}
        State& s_;
    };
    using Job = std::function<void(Access&)>;

    /// A worker over the register at `location` (a file or a server URI,
    /// as store::Database::open takes it). The thread starts at once.
    explicit DatabaseWorker(QString location);
    /// Drops the jobs not yet started but those posted with `always`,
    /// stops the one under way (cancelled() turns true), runs the kept ones
    /// and waits for the thread.
    ~DatabaseWorker();
    DatabaseWorker(const DatabaseWorker&) = delete;
    DatabaseWorker& operator=(const DatabaseWorker&) = delete;

    /// Queues `job`; with `always` it runs also when the worker is going
    /// (releasing what earlier jobs took).
    void post(Job job, bool always = false);
    /// Drops the queued jobs (but those posted with `always`) and asks the
    /// one under way to stop: cancelled() is true for it, and false again
    /// for the jobs posted afterwards.
    void cancel();
    /// Blocks until every job posted so far has ended, or `msecs` passed
    /// (-1: no limit). False on timeout. For tests and the window's end.
    bool waitForIdle(int msecs = -1);

    /// Runs `fn` on `receiver`'s thread unless the receiver is gone.
    template <class F> static void deliver(QObject* receiver, F fn) {
        QMetaObject::invokeMethod(receiver, std::move(fn), Qt::QueuedConnection);
    }

private:
    std::unique_ptr<Access::State> s_;
};

} // namespace session
