#pragma once
// Transaction: one write transaction on a Database, begun with BEGIN
// IMMEDIATE in the constructor and rolled back by the destructor unless
// commit() ran. Recordset updates made while it is open join it, so a check
// and the write that depends on it happen as one step against other users.
// Transactions do not nest: a second one on the same Database raises. While
// a register is being made on a server (its tables and the first start's
// import form one transaction), a Transaction joins that one instead: its
// commit() then commits nothing, and a failure rolls the whole making back.

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
    bool joined_ = false; ///< part of the transaction that makes the register
};

} // namespace store
