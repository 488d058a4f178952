#pragma once
// ReadSnapshot: a read-only transaction on a Database for as long as it
// lives, so that many reads in a row (an export walking every row of a
// list) see one moment's register and pay for one transaction instead of
// one each: on a register file each read outside a transaction takes and
// drops the file's shared lock and checks the file again, most of the cost
// of a read by key. Other users' writes to a register file wait until it
// ends, so keep it short. Inside an open transaction it joins that one
// instead and ends nothing.

#include "database.h"

namespace store {

class ReadSnapshot {
public:
    explicit ReadSnapshot(const Database& db);
    ~ReadSnapshot(); // never throws
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    std::shared_ptr<Connection> conn_; ///< null when joined to an open transaction
};

} // namespace store
