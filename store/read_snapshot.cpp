// Read-only transactions for runs of reads (see read_snapshot.h).

#include "read_snapshot.h"

#include "connection.h"

namespace store {

ReadSnapshot::ReadSnapshot(const Database& db) {
    const std::shared_ptr<Connection>& c = db.connection();
    if (c->focus_ != Connection::Focus::None || c->inTransaction())
        return;
    c->beginSnapshot();
    conn_ = c;
    c->focus_ = Connection::Focus::Snapshot;
    // A snapshot is taken to read rows in bulk: on a register file, a
    // damaged table that silently reads short must fail the read instead.
    try {
        c->requireWholeTables();
    } catch (...) {
        c->rollback();
        c->focus_ = Connection::Focus::None;
        throw;
    }
}

ReadSnapshot::~ReadSnapshot() {
    if (conn_) {
        conn_->rollback();
        conn_->focus_ = Connection::Focus::None;
    }
}

} // namespace store
