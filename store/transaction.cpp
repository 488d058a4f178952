// Explicit write transactions (see transaction.h).

#include "transaction.h"

#include "connection.h"

namespace store {

Transaction::Transaction(const Database& db) : conn_(db.connection()) {
    if (conn_->focus_ == Connection::Focus::Making) {
        joined_ = true; // the register's making commits or rolls back for all
        return;
    }
    if (conn_->focus_ != Connection::Focus::None || conn_->inTransaction())
        throw EngineError(err::NotSupported,
                          QStringLiteral("A transaction is already open on this database."));
    conn_->requireWritable();
    conn_->begin();
    conn_->focus_ = Connection::Focus::Write;
}

Transaction::~Transaction() {
    if (done_ || joined_)
        return;
    conn_->rollback();
    conn_->focus_ = Connection::Focus::None;
}

void Transaction::commit() {
    if (done_ || joined_)
        return;
    conn_->commit();
    conn_->focus_ = Connection::Focus::None;
    done_ = true;
}

} // namespace store
