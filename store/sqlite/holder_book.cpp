// Notes of who holds which reserved rows (see holder_book.h).
//
// The folder is shared with every user of the register, some of whom may
// not wish this one well: it is opened without following a link, checked
// to be a folder as this program makes it, and every note is made, read and
// removed through that folder's descriptor (openat, unlinkat), so a link or
// a renamed folder never sends a write or a removal elsewhere.

#include "holder_book.h"

#include "../local_user.h"

#include <QDebug>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

/// A lock on byte 0 of a note: set by its writer, probed by readers.
struct flock noteLock(short type) {
    struct flock request {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = 0;
    request.l_len = 1;
    request.l_pid = 0;
    return request;
}

int control(int fd, int command, struct flock* request) {
    int result;
    do {
        result = ::fcntl(fd, command, request);
    } while (result == -1 && errno == EINTR);
    return result;
}

/// A name for a note's field: no tab or line break may enter a note.
QByteArray field(const QString& text) {
    QByteArray out = text.toUtf8();
    out.replace('\t', ' ').replace('\n', ' ').replace('\r', ' ');
    return out;
}

/// True for a note's name, "<computer>.<pid>.<tag>" (the tag a number or
/// hexadecimal digits): nothing else in the folder is ever removed.
bool isNoteName(const char* name) {
    const QByteArray text(name);
    const qsizetype tagDot = text.lastIndexOf('.');
    const qsizetype pidDot = tagDot > 0 ? text.lastIndexOf('.', tagDot - 1) : -1;
    if (pidDot < 1 || tagDot == text.size() - 1 || tagDot == pidDot + 1)
        return false;
    for (qsizetype i = pidDot + 1; i < text.size(); ++i) {
        if (i == tagDot)
            continue;
        const char c = text.at(i);
        const bool digit = c >= '0' && c <= '9';
        if (i < tagDot ? !digit : !(digit || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

/// Sixteen hexadecimal digits nobody can guess before the note exists.
QByteArray randomTag() {
    const quint64 value = QRandomGenerator::system()->generate64();
    return QByteArray::number(value, 16).rightJustified(16, '0');
}

/// A descriptor that closes itself.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int d) : fd(d) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

} // namespace

HolderBook::HolderBook(const QString& databaseFile)
    : folder_(databaseFile + QStringLiteral(".holders")), register_(databaseFile) {}

HolderBook::~HolderBook() {
    if (fd_ >= 0) {
        // The name is removed only while it is still this note: someone
        // who may write the folder could have put another file there.
        struct stat own {
        }, named{};
        if (::fstat(fd_, &own) == 0 &&
            ::fstatat(folderFd_, name_.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            own.st_dev == named.st_dev && own.st_ino == named.st_ino)
            ::unlinkat(folderFd_, name_.constData(), 0);
        ::close(fd_);
    }
    if (folderFd_ >= 0)
        ::close(folderFd_);
}

int HolderBook::openFolder(bool make) const {
    const QByteArray folder = QFile::encodeName(folder_);
    constexpr int Flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(folder.constData(), Flags);
    if (fd < 0 && errno == ENOENT && make && ::mkdir(folder.constData(), 0700) == 0) {
        fd = ::open(folder.constData(), Flags);
        // Everybody who may change the register may leave a note: the
        // folder this call just made gets the register's read and write
        // bits (and search where it may be read), whatever the maker's
        // umask. It is changed through its descriptor, after the check
        // below that it is the folder just made.
        struct stat made {
        }, db{};
        if (fd >= 0 && ::fstat(fd, &made) == 0 && made.st_uid == ::geteuid() &&
            (made.st_mode & 0777) == 0700 &&
            ::stat(QFile::encodeName(register_).constData(), &db) == 0)
            (void)::fchmod(fd, (made.st_mode & 07000) | (db.st_mode & 0666) |
                                   ((db.st_mode & 0444) >> 2));
    }
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            refuse(QStringLiteral("is not a folder (it may be a link to one)"));
        return -1;
    }
    // A folder that lets in writers the register does not was not made
    // by this program, and would let them plant notes.
    struct stat info {
    }, db{};
    const bool checked = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    if (::stat(QFile::encodeName(register_).constData(), &db) != 0)
        db.st_mode = 0666; // no register to compare with: any writers
    if (!checked || (info.st_mode & 0022 & ~db.st_mode) != 0) {
        ::close(fd);
        if (checked)
            refuse(QStringLiteral("lets in more writers than the register itself"));
        return -1;
    }
    return fd;
}

void HolderBook::refuse(const QString& why) const {
    if (warned_)
        return;
    warned_ = true;
    qWarning().noquote() << QStringLiteral("The folder %1 %2; no holder of a reserved record is "
                                           "named, and nothing in it was changed.")
                                .arg(folder_, why);
}

bool HolderBook::openOwnNote() {
    if (fd_ >= 0)
        return true;
    if (folderFd_ < 0)
        folderFd_ = openFolder(true);
    if (folderFd_ < 0)
        return false;
    // A fresh, unguessable name, made here and now (O_EXCL): nothing
    // planted under it in advance can be written through.
    for (int attempt = 0; fd_ < 0 && attempt < 8; ++attempt) {
        name_ = field(localComputer()).replace('/', '_') + '.' + QByteArray::number(::getpid()) +
                '.' + randomTag();
        fd_ = ::openat(folderFd_, name_.constData(),
                       O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        return false;
    (void)::fchmod(fd_, 0644); // just made: readable by every user of the register
    struct flock alive = noteLock(F_WRLCK);
    if (control(fd_, F_OFD_SETLK, &alive) != 0) {
        ::unlinkat(folderFd_, name_.constData(), 0);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void HolderBook::writeOwnNote() {
    if (!openOwnNote())
        return;
    QByteArray note = field(localLogin()) + '\t' + field(localComputer()) + '\n';
    for (const auto& [row, since] : rows_)
        note += QByteArray::number(row.first) + ' ' + QByteArray::number(row.second) + ' ' +
                QByteArray::number(since) + '\n';
    // A note that cannot be cut to its new length keeps a stale tail; it is
    // emptied then, so that it names no row its holder has let go.
    if (::pwrite(fd_, note.constData(), static_cast<size_t>(note.size()), 0) != note.size() ||
        ::ftruncate(fd_, note.size()) != 0) {
        if (::ftruncate(fd_, 0) != 0)
            qWarning("The holder note of this program could not be emptied.");
    }
}

void HolderBook::held(int table, std::int64_t rowId) {
    if (rows_.emplace(std::pair{table, rowId}, QDateTime::currentSecsSinceEpoch()).second)
        writeOwnNote();
}

void HolderBook::released(int table, std::int64_t rowId) {
    if (rows_.erase({table, rowId}))
        writeOwnNote();
}

std::optional<RowHolder> HolderBook::holderOf(int table, std::int64_t rowId) const {
    std::optional<RowHolder> holder;
    qint64 latest = -1;
    const Descriptor folder(openFolder(false));
    if (folder.fd < 0)
        return holder;
    DIR* listing = ::fdopendir(::dup(folder.fd));
    if (!listing)
        return holder;
    const QByteArray wanted =
        ' ' + QByteArray::number(table) + ' ' + QByteArray::number(rowId) + ' ';
    while (const dirent* entry = ::readdir(listing)) {
        const char* name = entry->d_name;
        if (!isNoteName(name) || (fd_ >= 0 && name_ == name))
            continue;
        // Never through a link; a FIFO must not hold the program up.
        const Descriptor note(
            ::openat(folder.fd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (note.fd < 0 || ::fstat(note.fd, &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        struct flock probe = noteLock(F_WRLCK);
        if (control(note.fd, F_OFD_GETLK, &probe) != 0)
            continue;
        if (probe.l_type == F_UNLCK) {
            ::unlinkat(folder.fd, name, 0); // the note of a program that has ended
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::pread(note.fd, buffer, sizeof buffer, 0);
        const QByteArray text = n > 0 ? QByteArray(buffer, n) : QByteArray();
        const qsizetype firstLine = text.indexOf('\n');
        if (firstLine < 0)
            continue;
        // " table row since" on a line of its own.
        const QByteArray rows = '\n' + text.mid(firstLine + 1);
        const qsizetype at = rows.indexOf('\n' + wanted.mid(1));
        if (at < 0)
            continue;
        const qsizetype end = rows.indexOf('\n', at + 1);
        const qint64 since = rows.mid(at + wanted.size(), end - at - wanted.size()).toLongLong();
        if (since <= latest)
            continue;
        latest = since;
        const QList<QByteArray> who = text.left(firstLine).split('\t');
        holder = RowHolder{QString::fromUtf8(who.value(0)), QString::fromUtf8(who.value(1)),
                           QDateTime::fromSecsSinceEpoch(since)};
    }
    ::closedir(listing);
    return holder;
}

} // namespace store
