#pragma once
// Row reservations of a server register: PostgreSQL session advisory locks
// on the pair (table number, RecordPtr). The server frees them the moment
// the holder's connection ends, also when its program is killed (within a
// few milliseconds on a local socket; a desk that vanished from the
// network within the session's TCP keepalive time, about two minutes).
// Pair (0, n) is the register's own: 1 the writers' lock, 2 the lock of a
// first start that makes the register.
//
// The server stacks advisory locks (taken twice, released once, still
// held), so this object remembers which rows it holds and takes each once.
// It also takes them again after the connection was opened anew. Cost: one
// round trip per lock, unlock or probe.
//
// Naming the holder: the same round trip that takes a row sets the
// session's application name to "tolvane|<login>|<computer>|<start>", which
// every user of the server can read beside the session's locks; a session
// that has ended holds no lock, so its name is never read.

#include "../row_reservations.h"

#include <set>
#include <utility>

namespace store {

class PgConnection;

class PgReservations : public RowReservations {
public:
    explicit PgReservations(PgConnection& c) : c_(c) {}

    bool tryLock(int table, std::int64_t rowId) override;
    void unlock(int table, std::int64_t rowId) override;
    bool heldByOther(int table, std::int64_t rowId) override;
    bool anyHeldByOther() override;
    std::optional<RowHolder> holderOf(int table, std::int64_t rowId) override;

    /// Takes every held row again on a new session; rows someone else took
    /// meanwhile are dropped from the set.
    void retake();

private:
    bool ask(const char* sql, int table, std::int64_t rowId);

    PgConnection& c_;
    std::set<std::pair<int, std::int64_t>> held_;
};

} // namespace store
