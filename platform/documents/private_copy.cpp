// Private copies of stored files (see private_copy.h).
//
// The program keeps one folder of its own, "tolvane-copies-<pid>-XXXXXX",
// made by mkdtemp (mode 0700) in the user's runtime folder, or in the
// temporary folder where there is none. Every copy gets a folder of its own
// inside it (mkdtemp again), so that two copies of files with the same name
// never meet and the file keeps its name for the application that opens it.
// The file is made there with O_EXCL and O_NOFOLLOW, and made read-only
// through its descriptor once written. The program's folder goes with
// everything in it when the program ends; a folder left by a program that
// was killed is removed by the next one of the same user.

#include "private_copy.h"

#include "platform/failure/failure.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace documents {

namespace {

constexpr char folderPrefix[] = "tolvane-copies-";
constexpr int maxNameBytes = 200;
constexpr int maxExtensionBytes = 16;

[[noreturn]] void refuse(const QString& name, const QString& cause) {
    throw Failure(Failure::Unnumbered,
                  QStringLiteral("A private copy of '%1' cannot be made: %2.").arg(name, cause));
}

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Removes what this program made under the folder open as `fd`: regular
/// files and folders, never following a link; closes `fd`.
void removeContents(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            const int sub =
                ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0)
                removeContents(sub);
            ::unlinkat(::dirfd(dir), name, AT_REMOVEDIR);
        } else {
            ::unlinkat(::dirfd(dir), name, 0);
        }
    }
    ::closedir(dir);
}

/// Removes the folder `name` of `base` (open as `baseFd`) with what it
/// holds, when it is a folder of this user and not a link.
void removeFolder(int baseFd, const QByteArray& name) {
    struct stat info {};
    if (::fstatat(baseFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return;
    const int fd =
        ::openat(baseFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    removeContents(fd);
    ::unlinkat(baseFd, name.constData(), AT_REMOVEDIR);
}

/// The pid in a folder name "tolvane-copies-<pid>-XXXXXX", or 0.
pid_t folderPid(const char* name) {
    const QByteArray text(name);
    if (!text.startsWith(folderPrefix))
        return 0;
    const QByteArray rest = text.mid(int(sizeof folderPrefix) - 1);
    const qsizetype dash = rest.indexOf('-');
    bool ok = false;
    const qlonglong pid = dash > 0 ? rest.left(dash).toLongLong(&ok) : 0;
    return ok && pid > 0 ? pid_t(pid) : 0;
}

/// Removes the folders left by programs of this user that have ended
/// without removing them (killed).
void removeLeftFolders(const QByteArray& base) {
    const int baseFd = ::open(base.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0)
        return;
    DIR* dir = ::fdopendir(::dup(baseFd));
    if (dir) {
        QList<QByteArray> gone;
        while (const dirent* entry = ::readdir(dir)) {
            const pid_t pid = folderPid(entry->d_name);
            if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
                gone.append(QByteArray(entry->d_name));
        }
        ::closedir(dir);
        for (const QByteArray& name : gone)
            removeFolder(baseFd, name);
    }
    ::close(baseFd);
}

/// The program's own folder, made on first use and removed with what it
/// holds when the program ends.
class ProgramFolder {
public:
    ~ProgramFolder() {
        if (path_.isEmpty())
            return;
        const qsizetype slash = path_.lastIndexOf('/');
        const int baseFd =
            ::open(path_.left(slash).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (baseFd >= 0) {
            removeFolder(baseFd, path_.mid(slash + 1));
            ::close(baseFd);
        }
    }

    /// The folder's path; raises naming `name` when it cannot be made.
    QByteArray path(const QString& name) {
        QMutexLocker lock(&mutex_);
        if (path_.isEmpty() || ::access(path_.constData(), W_OK) != 0) {
            QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
            if (base.isEmpty())
                base = QDir::tempPath();
            const QByteArray baseBytes = QFile::encodeName(base);
            removeLeftFolders(baseBytes);
            QByteArray pattern =
                baseBytes + '/' + folderPrefix + QByteArray::number(qint64(::getpid())) + "-XXXXXX";
            if (!::mkdtemp(pattern.data()))
                refuse(name, QStringLiteral("the folder %1 cannot be written (%2)")
                                 .arg(base, errnoText(errno)));
            path_ = pattern;
        }
        return path_;
    }

private:
    QMutex mutex_;
    QByteArray path_;
};

ProgramFolder& programFolder() {
    static ProgramFolder folder;
    return folder;
}

bool unsafe(QChar c) {
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Other_Format ||
           c == QLatin1Char('/') || c == QLatin1Char('\\');
}

} // namespace

QString PrivateCopy::safeName(const QString& name) {
    const qsizetype folderEnd = std::max(name.lastIndexOf('/'), name.lastIndexOf('\\'));
    QString safe;
    for (const QChar c : name.mid(folderEnd + 1))
        if (!unsafe(c) || c.isSurrogate())
            safe.append(c);
    // Lone halves of a pair would not survive the encoding.
    safe = QString::fromUtf8(safe.toUtf8());
    qsizetype start = 0;
    while (start < safe.size() &&
           (safe.at(start) == '.' || safe.at(start) == '-' || safe.at(start).isSpace()))
        ++start;
    safe = safe.mid(start).trimmed();
    if (safe.isEmpty())
        return QStringLiteral("file");
    if (safe.toUtf8().size() <= maxNameBytes)
        return safe;
    // Too long: the stem is shortened, the extension kept.
    const qsizetype dot = safe.lastIndexOf('.');
    QString extension = dot > 0 ? safe.mid(dot) : QString();
    if (extension.toUtf8().size() > maxExtensionBytes)
        extension.clear();
    QString stem = extension.isEmpty() ? safe : safe.left(dot);
    while (!stem.isEmpty() && (stem + extension).toUtf8().size() > maxNameBytes) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return stem.trimmed() + extension;
}

PrivateCopy::PrivateCopy(const QString& name) {
    const QString safe = safeName(name);
    QByteArray folder = programFolder().path(name) + "/XXXXXX";
    if (!::mkdtemp(folder.data()))
        refuse(name, errnoText(errno));
    const QByteArray path = folder + '/' + QFile::encodeName(safe);
    const int fd =
        ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        ::rmdir(folder.constData());
        refuse(name, errnoText(error));
    }
    file_ = std::make_unique<QFile>();
    if (!file_->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(path.constData());
        ::rmdir(folder.constData());
        refuse(name, file_->errorString());
    }
    path_ = QFile::decodeName(path);
}

PrivateCopy::~PrivateCopy() {
    if (file_)
        file_->close();
    if (keep_ || path_.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(path_);
    ::unlink(path.constData());
    ::rmdir(path.left(path.lastIndexOf('/')).constData());
}

QIODevice& PrivateCopy::device() {
    return *file_;
}

void PrivateCopy::finish() {
    if (!file_->isOpen())
        return;
    const QString name = path_.mid(path_.lastIndexOf('/') + 1);
    if (!file_->flush())
        refuse(name, file_->errorString());
    if (::fchmod(file_->handle(), 0400) != 0)
        refuse(name, errnoText(errno));
    file_->close();
    if (file_->error() != QFileDevice::NoError)
        refuse(name, file_->errorString());
}

void PrivateCopy::keep() {
    keep_ = true;
}

QString PrivateCopy::path() const {
    return path_;
}

} // namespace documents
