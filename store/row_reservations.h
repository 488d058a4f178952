#pragma once
// RowReservations: record reservations between the users of one register.
// A row being changed is reserved by its user; every other user (another
// Database, in this process or another) is refused it until the holder
// lets it go or its program ends, however it ends. Each backend keeps them
// its own way: file locks beside a register file (sqlite/row_lock.h),
// session locks on a server (postgres/pg_reservations.h). Internal to the
// engine layer.
//
// Tables are numbered 0..255 (Connection::lockTableNumber), rows by their
// counter value.

#include "row_holder.h"

#include <cstdint>
#include <optional>

namespace store {

class RowReservations {
public:
    virtual ~RowReservations() = default;

    /// Reserves a row; false when another user holds it. Taking a row this
    /// object already holds is true.
    virtual bool tryLock(int table, std::int64_t rowId) = 0;
    /// Lets a row go that this object holds.
    virtual void unlock(int table, std::int64_t rowId) = 0;
    /// True when another user holds the row (a probe that leaves no lock).
    virtual bool heldByOther(int table, std::int64_t rowId) = 0;
    /// True when another user holds any row of the register.
    virtual bool anyHeldByOther() = 0;
    /// Who else holds the row; nothing when nobody does (or nobody can be
    /// named). Never names a holder whose program has ended.
    virtual std::optional<RowHolder> holderOf(int table, std::int64_t rowId) = 0;
};

/// The reservations of a user who may only read: none taken, none seen.
/// Such a user changes nothing (Connection::requireWritable refuses first),
/// and reads in snapshots that are whole whatever writers hold, so it needs
/// nothing of theirs; on a register file it could not even open the lock
/// file in a folder it may not write.
class ReaderReservations final : public RowReservations {
public:
    bool tryLock(int, std::int64_t) override { return false; }
    void unlock(int, std::int64_t) override {}
    bool heldByOther(int, std::int64_t) override { return false; }
    bool anyHeldByOther() override { return false; }
    std::optional<RowHolder> holderOf(int, std::int64_t) override { return std::nullopt; }
};

} // namespace store
