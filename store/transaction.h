#pragma once
// Transaction: one write transaction on a Database, begun with BEGIN
// IMMEDIATE in the constructor and rolled back by the destructor unless
// commit() ran. Recordset updates made while it is open join it, so a check
// and the write that depends on it happen as one step against other users.
// Transactions do not nest: a second one on the same Database raises.

#include "database.h"

namespace store {

class Transaction {
public:
    explicit Transaction(const Database& db);
    ~Transaction(); // rolls back unless committed; never throws
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    std::shared_ptr<Connection> conn_;
    bool done_ = false;
};

} // namespace store
