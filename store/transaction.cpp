// Explicit write transactions (see transaction.h).

#include "transaction.h"

#include "connection.h"

namespace store {

Transaction::Transaction(const Database& db) : conn_(db.connection()) {
    if (conn_->settingUp) {
        joined_ = true; // the register's making commits or rolls back for all
        return;
    }
    if (conn_->explicitTransaction || conn_->inTransaction())
        throw EngineError(err::NotSupported,
                          QStringLiteral("A transaction is already open on this database."));
    conn_->requireWritable();
    conn_->begin();
    conn_->explicitTransaction = true;
}

Transaction::~Transaction() {
    if (done_ || joined_)
        return;
    conn_->rollback();
    conn_->explicitTransaction = false;
}

void Transaction::commit() {
    if (done_ || joined_)
        return;
    conn_->commit();
    conn_->explicitTransaction = false;
    done_ = true;
}

} // namespace store
