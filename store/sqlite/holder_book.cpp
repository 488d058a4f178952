// Notes of who holds which reserved rows (see holder_book.h).

#include "holder_book.h"

#include "../local_user.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
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

} // namespace

HolderBook::HolderBook(const QString& databaseFile)
    : folder_(databaseFile + QStringLiteral(".holders")) {}

HolderBook::~HolderBook() {
    if (fd_ >= 0) {
        ::unlink(path_.constData());
        ::close(fd_);
    }
}

bool HolderBook::openOwnNote() {
    if (fd_ >= 0)
        return true;
    const QByteArray folder = QFile::encodeName(folder_);
    if (::mkdir(folder.constData(), 0777) == 0) {
        // Everybody who may change the register may leave a note: the
        // folder gets the register's read and write bits (and search
        // where it may be read), whatever the maker's umask.
        struct stat db {};
        if (::stat(QFile::encodeName(folder_.chopped(8)).constData(), &db) == 0)
            (void)::chmod(folder.constData(), (db.st_mode & 0666) | ((db.st_mode & 0444) >> 2));
    } else if (errno != EEXIST) {
        return false;
    }
    static std::atomic<int> serial{0};
    path_ = folder + '/' + field(localComputer()) + '.' + QByteArray::number(::getpid()) + '.' +
            QByteArray::number(serial++);
    fd_ = ::open(path_.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        return false;
    (void)::fchmod(fd_, 0644); // readable by every user of the register
    struct flock alive = noteLock(F_WRLCK);
    if (control(fd_, F_OFD_SETLK, &alive) != 0) {
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
    if (::pwrite(fd_, note.constData(), static_cast<size_t>(note.size()), 0) == note.size())
        (void)::ftruncate(fd_, note.size());
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
    const QDir folder(folder_);
    const QByteArray wanted =
        ' ' + QByteArray::number(table) + ' ' + QByteArray::number(rowId) + ' ';
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        if (path == path_)
            continue;
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct flock probe = noteLock(F_WRLCK);
        const bool alive = control(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
        QByteArray note;
        if (alive) {
            char buffer[4096];
            const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                note = QByteArray(buffer, n);
        }
        ::close(fd);
        if (!alive) {
            ::unlink(path.constData()); // the note of a program that has ended
            continue;
        }
        const qsizetype firstLine = note.indexOf('\n');
        if (firstLine < 0)
            continue;
        // " table row since" on a line of its own.
        const QByteArray rows = '\n' + note.mid(firstLine + 1);
        const qsizetype at = rows.indexOf('\n' + wanted.mid(1));
        if (at < 0)
            continue;
        const qsizetype end = rows.indexOf('\n', at + 1);
        const qint64 since = rows.mid(at + wanted.size(), end - at - wanted.size()).toLongLong();
        if (since <= latest)
            continue;
        latest = since;
        const QList<QByteArray> who = note.left(firstLine).split('\t');
        holder = RowHolder{QString::fromUtf8(who.value(0)), QString::fromUtf8(who.value(1)),
                           QDateTime::fromSecsSinceEpoch(since)};
    }
    return holder;
}

} // namespace store
