#pragma once
// RowLocks: record reservations between users of one register file.
//
// Each Database opens its own descriptor on a lock file beside the register
// ("<file>.lck") and reserves a row by taking an open-file-description
// write lock (F_OFD_SETLK) on one byte whose offset encodes the table and
// the row id. Such locks belong to the descriptor, not the process, so two
// Database objects in one process exclude each other; the kernel drops them
// when the holder closes the descriptor or dies, so a killed program never
// leaves a stale reservation. The lock file is created once and never
// deleted or re-created: a new file would let a second user lock a row the
// first still holds through the old one. Cost: one system call per lock,
// and one small write of the user's note of held rows (holder_book.h),
// which names the holder to whoever is refused a row.

#include "../row_reservations.h"
#include "holder_book.h"

#include <QString>
#include <cstdint>

namespace store {

class RowLocks : public RowReservations {
public:
    /// Opens (creating if needed) the lock file of `databaseFile`. Raises
    /// EngineError(NoPermission) naming it when it can be neither opened nor
    /// created, or when it is a link or not a regular file.
    explicit RowLocks(const QString& databaseFile);
    ~RowLocks() override;
    RowLocks(const RowLocks&) = delete;
    RowLocks& operator=(const RowLocks&) = delete;

    /// Reserves row `rowId` of table number `table` (0..255). False when
    /// another user holds it. Taking a row this object already holds is true.
    bool tryLock(int table, std::int64_t rowId) override;
    void unlock(int table, std::int64_t rowId) override;

    /// True when another user holds the row (a probe that leaves no lock).
    bool heldByOther(int table, std::int64_t rowId) override;
    bool anyHeldByOther() override;
    std::optional<RowHolder> holderOf(int table, std::int64_t rowId) override;

private:
    int fd_ = -1;
    HolderBook holders_; ///< who holds which row, for those refused it
};

} // namespace store
