#pragma once
// HolderBook: who holds the rows reserved on a register file. The lock
// file's locks (row_lock.h) cannot tell who holds them, so each user that
// reserves a row keeps a small note of its own in a folder beside the
// register ("Veld.MDB.holders/<computer>.<pid>.<tag>"): a first line with the
// login and computer names, then one line per row it holds with the time
// the reservation began. The user keeps a lock on its own note for as long
// as it lives; a note whose lock is gone belongs to a program that has
// ended (however it ended) and is never read, only removed. So a holder
// named is always one that is still running. When two live notes name the
// same row (one user let it go and another took it before the first
// rewrote its note), the later reservation is the holder.
//
// Cost: a reservation or its release rewrites the user's note (a few dozen
// bytes, no flush to disk: a note only matters while its writer runs);
// naming a holder reads the folder's notes, once per refused Change.

#include "../row_holder.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

namespace store {

class HolderBook {
public:
    explicit HolderBook(const QString& databaseFile);
    ~HolderBook(); // removes this user's note
    HolderBook(const HolderBook&) = delete;
    HolderBook& operator=(const HolderBook&) = delete;

    /// Notes that this user now holds the row (since now) / no longer does.
    /// A note that cannot be written is skipped: naming holders is a help,
    /// and a reservation must not fail for it.
    void held(int table, std::int64_t rowId);
    void released(int table, std::int64_t rowId);

    /// The live user, other than this one, whose note names the row.
    std::optional<RowHolder> holderOf(int table, std::int64_t rowId) const;

private:
    bool openOwnNote();
    void writeOwnNote();
    /// The checked folder's descriptor (made first when `make`), or -1.
    int openFolder(bool make) const;
    /// Says once why the folder is not used.
    void refuse(const QString& why) const;

    QString folder_;    ///< "<register>.holders"
    QString register_;  ///< the register file, whose mode the folder follows
    QByteArray name_;   ///< this user's note in the folder, once made
    int folderFd_ = -1; ///< the folder holding this user's note
    int fd_ = -1;       ///< open, and locked, while this user lives
    mutable bool warned_ = false;
    std::map<std::pair<int, std::int64_t>, qint64>
        rows_; ///< held rows: start, in seconds since 1970
};

} // namespace store
