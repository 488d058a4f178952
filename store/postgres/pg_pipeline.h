#pragma once
// The answer in flight on a server connection. A statement may be sent
// ahead (a batch of an export): the server works on it while the program
// does something else, and its rows are read when they are wanted. The
// contract, which every caller relies on:
// - at most one statement is in flight per connection;
// - its answer is read (settle()) before the connection takes any other
//   command, and before the connection's state is asked;
// - a statement that drops its rows (new values bound, a reset, another
//   row of the recordset) reads its answer first and throws it away.
// A successful answer goes to the statement that sent it; a failed one is
// dropped, and the statement runs again when its rows are wanted, which
// reports the failure on the ordinary path.

#include "pg_result.h"

#include <functional>
#include <utility>

namespace store {

class PgPipeline {
public:
    /// Receives the successful answer of the statement sent.
    using Deliver = std::function<void(PgResult)>;

    /// Sends a statement for `owner` through `sendQuery` (a PQsend...
    /// call, true once sent), after reading the answer still in flight.
    /// False when it could not be sent: nothing is in flight then.
    template <class Send>
    bool send(pg_conn* conn, const void* owner, Deliver deliver, Send&& sendQuery) {
        settle(conn);
        if (!std::forward<Send>(sendQuery)())
            return false;
        owner_ = owner;
        deliver_ = std::move(deliver);
        return true;
    }

    /// Whether the answer in flight is `owner`'s.
    bool holds(const void* owner) const { return owner_ && owner_ == owner; }

    /// Reads the answer in flight, if any, so that the connection can take
    /// the next command.
    void settle(pg_conn* conn) noexcept {
        if (!owner_)
            return;
        owner_ = nullptr;
        const Deliver deliver = std::move(deliver_);
        deliver_ = nullptr;
        PgResult r(PQgetResult(conn));
        while (PgResult more{PQgetResult(conn)}) {
            // the end of the answer, cleared as it arrives
        }
        if (const ExecStatusType status = PQresultStatus(r.get());
            status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
            deliver(std::move(r));
    }

private:
    const void* owner_ = nullptr; ///< whose answer is in flight
    Deliver deliver_;
};

} // namespace store
