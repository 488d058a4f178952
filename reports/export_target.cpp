// Where an export's bytes go: see export_target.h.

#include "export_target.h"

#include "list_export.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reports {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString deviceRefusal() {
    return QStringLiteral("it is a device, not a file; only a file, a pipe or a terminal is "
                          "written into (for standard output name it '-')");
}

} // namespace

ExportTarget::ExportTarget(const QString& fileName)
    : shown_(QStringLiteral("the file '%1'").arg(fileName)) {
    const QByteArray path = QFile::encodeName(fileName);
    struct stat seen {};
    if (::lstat(path.constData(), &seen) != 0) {
        if (errno != ENOENT)
            fail(systemError(errno));
    } else if (S_ISLNK(seen.st_mode)) {
        struct stat target {};
        if (::stat(path.constData(), &target) != 0 ||
            !(S_ISFIFO(target.st_mode) || S_ISCHR(target.st_mode)))
            fail(QStringLiteral("it is a symbolic link, and nothing is written through one "
                                "into a file, nor replaces it; name the file itself"));
        openDirect(fileName, true);
        return;
    } else if (!S_ISREG(seen.st_mode)) {
        if (S_ISDIR(seen.st_mode))
            fail(QStringLiteral("it is a folder"));
        openDirect(fileName, false);
        return;
    }
    file_ = std::make_unique<QSaveFile>(fileName);
    if (!file_->open(QIODevice::WriteOnly))
        fail(file_->errorString());
    // QSaveFile follows a link it finds: one made since the look above
    // would have it replace the file the link points at.
    if (::lstat(path.constData(), &seen) == 0 && S_ISLNK(seen.st_mode))
        fail(QStringLiteral("it became a symbolic link while it was opened"));
}

ExportTarget::ExportTarget(StandardOutput)
    : shown_(QStringLiteral("standard output")), fd_(STDOUT_FILENO) {}

ExportTarget::~ExportTarget() {
    if (ownsFd_)
        ::close(fd_);
}

// Opens a FIFO or a terminal to write into it as it is; refuses anything
// else. Never creates, truncates or replaces.
void ExportTarget::openDirect(const QString& fileName, bool followLink) {
    // A disk is refused before it is opened: opening some devices for
    // writing already acts on them.
    const QByteArray path = QFile::encodeName(fileName);
    struct stat before {};
    if ((followLink ? ::stat(path.constData(), &before) : ::lstat(path.constData(), &before)) ==
            0 &&
        S_ISBLK(before.st_mode))
        fail(deviceRefusal());
    const int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    int fd;
    do
        fd = ::open(path.constData(), flags);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fail(systemError(errno));
    fd_ = fd;
    ownsFd_ = true;
    struct stat opened {};
    if (::fstat(fd_, &opened) != 0)
        fail(systemError(errno));
    if (S_ISFIFO(opened.st_mode) || (S_ISCHR(opened.st_mode) && ::isatty(fd_)))
        return;
    fail(S_ISCHR(opened.st_mode) || S_ISBLK(opened.st_mode)
             ? deviceRefusal()
             : QStringLiteral("it is not a file, a pipe or a terminal"));
}

void ExportTarget::write(QByteArrayView bytes) {
    if (file_) {
        if (file_->write(bytes.data(), bytes.size()) != bytes.size())
            fail(file_->errorString());
        return;
    }
    while (!bytes.isEmpty()) {
        const ssize_t n = ::write(fd_, bytes.data(), static_cast<size_t>(bytes.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN ||
                errno == EWOULDBLOCK) { // a stream another program made non-blocking
                pollfd ready{fd_, POLLOUT, 0};
                ::poll(&ready, 1, -1);
                continue;
            }
            fail(systemError(errno));
        }
        bytes = bytes.sliced(n);
    }
}

void ExportTarget::commit() {
    if (file_) {
        if (!file_->commit())
            fail(file_->errorString());
        return;
    }
    if (ownsFd_) {
        ownsFd_ = false;
        if (::close(fd_) != 0 && errno != EINTR)
            fail(systemError(errno));
    }
}

void ExportTarget::fail(const QString& cause) const {
    QString subject = shown_;
    subject[0] = subject[0].toUpper();
    throw ExportError(QStringLiteral("%1 could not be written: %2.").arg(subject, cause));
}

} // namespace reports
