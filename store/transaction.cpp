// Explicit write transactions (see transaction.h).

#include "transaction.h"

#include "connection.h"

#include <sqlite3.h>

namespace store {

Transaction::Transaction(const Database& db) : conn_(db.connection()) {
    if (conn_->explicitTransaction || !sqlite3_get_autocommit(conn_->db))
        throw EngineError(err::NotSupported,
                          QStringLiteral("A transaction is already open on this database."));
    conn_->exec(QStringLiteral("BEGIN IMMEDIATE"));
    conn_->explicitTransaction = true;
}

Transaction::~Transaction() {
    if (done_)
        return;
    sqlite3_exec(conn_->db, "ROLLBACK", nullptr, nullptr, nullptr);
    conn_->explicitTransaction = false;
}

void Transaction::commit() {
    if (done_)
        return;
    conn_->exec(QStringLiteral("COMMIT"));
    conn_->explicitTransaction = false;
    done_ = true;
}

} // namespace store
