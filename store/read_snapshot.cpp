// Read-only transactions for runs of reads (see read_snapshot.h).

#include "read_snapshot.h"

#include "connection.h"
#include "sqlite/sqlite_connection.h"
#include "sqlite/table_check.h"

namespace store {

ReadSnapshot::ReadSnapshot(const Database& db) {
    const std::shared_ptr<Connection>& c = db.connection();
    if (c->settingUp || c->explicitTransaction || c->inTransaction())
        return;
    c->beginSnapshot();
    conn_ = c;
    // A snapshot is taken to read rows in bulk: on a register file, a
    // damaged table that silently reads short must fail the read instead.
    if (auto* file = dynamic_cast<SqliteConnection*>(c.get())) {
        try {
            requireTablesAgreeWithIndexes(*file);
        } catch (...) {
            c->rollback();
            throw;
        }
    }
}

ReadSnapshot::~ReadSnapshot() {
    if (conn_)
        conn_->rollback();
}

} // namespace store
