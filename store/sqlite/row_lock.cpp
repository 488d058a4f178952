// RowLocks over open-file-description locks on "<register>.lck".
//
// A row is one byte of the lock file at offset (table << 48) | rowId; the
// file itself stays empty, since locks may lie past its end. Locking, probing
// and unlocking are one fcntl call each (a few microseconds). The descriptor
// is opened with O_CLOEXEC so that a program started by this one (a report
// viewer, a test's helper process) never inherits it and so never keeps a
// row reserved after this user has let it go.

#include "row_lock.h"

#include "../engine_error.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

/// Bits of the lock offset that hold the row id; the table number sits above.
constexpr int RowBits = 48;
constexpr std::int64_t MaxRowId = (std::int64_t{1} << RowBits) - 1;
constexpr int MaxTable = 255;

QString lockFileName(const QString& databaseFile) {
    return databaseFile + QStringLiteral(".lck");
}

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

/// The byte that stands for a row, or EngineError when the pair cannot be
/// encoded (a negative id or one past 48 bits would land on another table's
/// bytes and so silently clash with an unrelated row).
off_t rowOffset(int table, std::int64_t rowId) {
    if (table < 0 || table > MaxTable) {
        throw EngineError(err::NotSupported,
                          QStringLiteral("Cannot lock a row of table number %1: table numbers "
                                         "run from 0 to %2.")
                              .arg(table)
                              .arg(MaxTable));
    }
    if (rowId < 0 || rowId > MaxRowId) {
        throw EngineError(err::NotSupported,
                          QStringLiteral("Cannot lock row %1: record locks cover row ids from 0 "
                                         "to %2.")
                              .arg(rowId)
                              .arg(MaxRowId));
    }
    return static_cast<off_t>((static_cast<std::uint64_t>(table) << RowBits) |
                              static_cast<std::uint64_t>(rowId));
}

/// A one-byte request of kind `type` on the row's byte. l_pid must be 0 for
/// the OFD commands; the kernel refuses anything else.
struct flock rowRequest(short type, int table, std::int64_t rowId) {
    struct flock request {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = rowOffset(table, rowId);
    request.l_len = 1;
    request.l_pid = 0;
    return request;
}

/// fcntl that retries when a signal interrupts it. The OFD commands used here
/// never wait, but a signal can still cut the call short.
int lockControl(int fd, int command, struct flock* request) {
    int result;
    do {
        result = ::fcntl(fd, command, request);
    } while (result == -1 && errno == EINTR);
    return result;
}

[[noreturn]] void raiseLockFailure(const char* what, int table, std::int64_t rowId, int error) {
    throw EngineError(err::IoError, QStringLiteral("Could not %1 row %2 of table %3: %4.")
                                        .arg(QString::fromLatin1(what))
                                        .arg(rowId)
                                        .arg(table)
                                        .arg(systemText(error)));
}

/// Opens the lock file `name` without following a link: whoever comes
/// first creates it (O_EXCL, so a name planted meanwhile is never written
/// through), everyone after opens that same file. Nothing here ever removes
/// or replaces it. Only a file this call made gets the register's read and
/// write bits (whatever the maker's umask, other users must open it too);
/// what someone else made is left as it is. A link, a folder, a FIFO or a
/// device under the name is refused, naming it.
int openLockFile(const QString& name, const QString& databaseFile) {
    const QByteArray path = QFile::encodeName(name);
    constexpr int Flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = -1;
    bool made = false;
    for (int attempt = 0; fd == -1 && attempt < 100; ++attempt) {
        fd = ::open(path.constData(), Flags);
        if (fd == -1 && errno == ENOENT) {
            fd = ::open(path.constData(), Flags | O_CREAT | O_EXCL, 0666);
            made = fd != -1;
        }
        // Made or removed by another user between the two opens, or a
        // signal: look again.
        if (fd == -1 && errno != EEXIST && errno != ENOENT && errno != EINTR)
            break;
    }
    if (fd == -1) {
        const int error = errno;
        if (error == ELOOP)
            throw EngineError(err::NoPermission,
                              QStringLiteral("The lock file %1 is a link to another file; it was "
                                             "left as it was. Ask whoever looks after the folder "
                                             "to remove it.")
                                  .arg(name));
        const bool denied = error == EACCES || error == EPERM || error == EROFS;
        throw EngineError(denied ? err::NoPermission : err::IoError,
                          QStringLiteral("Cannot open the lock file %1 for writing: %2.")
                              .arg(name, systemText(error)));
    }
    struct stat own {};
    if (::fstat(fd, &own) != 0 || !S_ISREG(own.st_mode)) {
        ::close(fd);
        throw EngineError(err::NoPermission,
                          QStringLiteral("The lock file %1 is not a regular file; it was left as "
                                         "it was. Ask whoever looks after the folder to remove it.")
                              .arg(name));
    }
    struct stat db {};
    if (made && ::stat(QFile::encodeName(databaseFile).constData(), &db) == 0)
        (void)::fchmod(fd, db.st_mode & 0666);
    return fd;
}

} // namespace

RowLocks::RowLocks(const QString& databaseFile) : holders_(databaseFile) {
    const QString name = lockFileName(databaseFile);
    fd_ = openLockFile(name, databaseFile);
}

RowLocks::~RowLocks() {
    // Closing the only descriptor of this open file description drops every
    // row it holds. close() is not retried on EINTR: on Linux the descriptor
    // is released either way.
    if (fd_ != -1) {
        ::close(fd_);
    }
}

bool RowLocks::tryLock(int table, std::int64_t rowId) {
    struct flock request = rowRequest(F_WRLCK, table, rowId);
    if (lockControl(fd_, F_OFD_SETLK, &request) == 0) {
        holders_.held(table, rowId);
        return true;
    }
    const int error = errno;
    if (error == EAGAIN || error == EACCES) {
        return false;
    }
    raiseLockFailure("lock", table, rowId, error);
}

void RowLocks::unlock(int table, std::int64_t rowId) {
    // Locks of one description on neighbouring bytes merge into one range;
    // releasing a byte inside it splits the range, which can fail for want of
    // kernel memory (ENOLCK). That is reported rather than ignored, since
    // the row would otherwise stay reserved.
    struct flock request = rowRequest(F_UNLCK, table, rowId);
    if (lockControl(fd_, F_OFD_SETLK, &request) == -1) {
        raiseLockFailure("release", table, rowId, errno);
    }
    holders_.released(table, rowId);
}

bool RowLocks::heldByOther(int table, std::int64_t rowId) {
    // Asks whether a write lock could be taken. Locks of this description
    // never conflict with it, so only another user's lock is reported.
    struct flock request = rowRequest(F_WRLCK, table, rowId);
    if (lockControl(fd_, F_OFD_GETLK, &request) == -1) {
        raiseLockFailure("probe", table, rowId, errno);
    }
    return request.l_type != F_UNLCK;
}

std::optional<RowHolder> RowLocks::holderOf(int table, std::int64_t rowId) {
    // A note is trusted only while the row is really held by someone.
    if (!heldByOther(table, rowId))
        return std::nullopt;
    return holders_.holderOf(table, rowId);
}

bool RowLocks::anyHeldByOther() {
    // One probe over every byte a row can stand for.
    struct flock request {};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
    request.l_start = 0;
    request.l_len = 0; // to the end, however far
    request.l_pid = 0;
    if (lockControl(fd_, F_OFD_GETLK, &request) == -1)
        raiseLockFailure("probe", 0, 0, errno);
    return request.l_type != F_UNLCK;
}

} // namespace store
