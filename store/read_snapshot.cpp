// Read-only transactions for runs of reads (see read_snapshot.h).

#include "read_snapshot.h"

#include "connection.h"

namespace store {

ReadSnapshot::ReadSnapshot(const Database& db) {
    const std::shared_ptr<Connection>& c = db.connection();
    if (c->settingUp || c->explicitTransaction || c->inTransaction())
        return;
    c->beginSnapshot();
    conn_ = c;
}

ReadSnapshot::~ReadSnapshot() {
    if (conn_)
        conn_->rollback();
}

} // namespace store
