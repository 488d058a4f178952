#pragma once
// ListLoader: reads the main list's rows off the user-interface thread.
// It owns one worker thread and, on it, its own connection to the register
// (opened on first use from the location it was given). load() hands it a
// list description; the worker first reads the keys of the rows that fill
// a screen (firstRows), then the keys of the whole list in its order
// (allRows), which give the row count and let the grid jump anywhere by
// reading only the rows it shows. A newer load() cancels the one under way
// on the database itself (the engine's interrupt), and signals of a load
// that was overtaken are never emitted: each signal carries the generation
// load() returned, and only the latest generation is reported.
//
// Keys are the values the recordsets key their rows by (RecordPtr for
// Documents), in the list's order; Database::openRecordset(query, keys)
// makes the Dynaset the grid shows from them without running the query.
//
// Threading: construct, call and receive signals on the user-interface
// thread; the worker never touches a window or the program's own Database.

#include "store/query.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <exception>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(std::exception_ptr)

namespace session {

class ListLoader : public QObject {
    Q_OBJECT
public:
    /// Lists of the register at `location` (a file name or a server URI,
    /// as Database::open takes it). Nothing is opened until the first load.
    explicit ListLoader(QString location, QObject* parent = nullptr);
    /// Cancels a load under way and waits for the worker to end.
    ~ListLoader() override;

    /// Starts reading `query`'s keys: first the first `screenRows`, then
    /// all of them. A load under way is cancelled. Returns the load's
    /// generation, larger than any returned before.
    quint64 load(const store::query::Select& query, int screenRows);
    /// Cancels the load under way, if any; no signal of it follows.
    void cancel();
    /// True from load() until the latest load's allRows or failed.
    bool busy() const;
    /// Blocks until the latest load delivered allRows or failed (the signal
    /// is emitted before this returns), or `msecs` passed (-1: no limit).
    /// For commands that need the whole list, and for tests. False on
    /// timeout.
    bool waitForIdle(int msecs = -1);

signals:
    /// The keys of the list's first rows (at most screenRows); `complete`
    /// when they are the whole list (no allRows follows then).
    void firstRows(quint64 generation, const std::vector<qint64>& keys, bool complete);
    /// The keys of the whole list, in its order.
    void allRows(quint64 generation, const std::vector<qint64>& keys);
    /// The load failed; `error` holds the engine's exception (an EngineError
    /// or another Failure), to be rethrown and shown on the user's thread.
    void failed(quint64 generation, std::exception_ptr error);

private:
    struct Worker;
    std::unique_ptr<Worker> w_;
};

} // namespace session
