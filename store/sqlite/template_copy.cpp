// Copy-then-link creation of a register from its template (see
// template_copy.h). POSIX calls are used directly because the guarantees
// needed (O_EXCL, fsync of file and folder, link() failing with EEXIST)
// are exactly theirs.

#include "template_copy.h"

#include "../engine_error.h"
#include "../schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

QString hostName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return QStringLiteral("unknown");
    // Dots separate the parts of the temporary name.
    return QString::fromLocal8Bit(buf).replace('.', '_');
}

QString cause(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(int error, const QString& what) {
    const int number = error == ENOSPC                                         ? err::DiskFull
                       : (error == EACCES || error == EPERM || error == EROFS) ? err::NoPermission
                       : error == ENOENT                                       ? err::FileNotFound
                                                                               : err::IoError;
    throw EngineError(number, QStringLiteral("%1: %2.").arg(what, cause(error)));
}

// A temporary register that was opened (to fill it) also has a lock file
// and may have a journal beside it; nobody but this start knows their names.
void removeWithSidecars(const QByteArray& path) {
    ::unlink(path.constData());
    ::unlink((path + ".lck").constData());
    ::unlink((path + "-journal").constData());
}

// Closes a descriptor and removes a temporary file unless released.
struct TempFile {
    QByteArray path;
    int fd = -1;
    bool keep = false;
    ~TempFile() {
        if (fd >= 0)
            ::close(fd);
        if (!keep && !path.isEmpty())
            removeWithSidecars(path);
    }
};

void copyBytes(int from, int to, const QString& templateFile, const QString& tempFile) {
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(errno, QStringLiteral("Cannot read the template '%1'").arg(templateFile));
        if (n == 0)
            return;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                fail(errno, QStringLiteral("Cannot write '%1'").arg(tempFile));
            done += w;
        }
    }
}

// The copy must be a register before it gets the final name: a template
// that is no database would otherwise leave a register nobody can open.
void requireRegisterFile(const QByteArray& path, const QString& templateFile) {
    sqlite3* db = nullptr;
    const QByteArray real = QFile::encodeName(realFolderName(QFile::decodeName(path)));
    bool ok = sqlite3_open_v2(real.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW,
                              nullptr) == SQLITE_OK;
    QString problem = QStringLiteral("it is not a database");
    for (const schema::Table& t : schema::tables()) {
        if (!ok)
            break;
        if (t.since >= 5)
            continue; // the tables of files: added when the copy is opened
        sqlite3_stmt* st = nullptr;
        ok =
            sqlite3_prepare_v2(
                db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                -1, &st, nullptr) == SQLITE_OK;
        if (ok) {
            sqlite3_bind_text(st, 1, t.name, -1, SQLITE_STATIC);
            ok = sqlite3_step(st) == SQLITE_ROW;
            if (!ok)
                problem = QStringLiteral("it has no table '%1'").arg(QLatin1String(t.name));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    if (!ok)
        throw EngineError(err::NotADatabase,
                          QStringLiteral("The template '%1' is not an empty register: %2.")
                              .arg(templateFile, problem));
}

void flushFile(const QByteArray& path, const QString& name) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const int rc = fd < 0 ? -1 : ::fsync(fd);
    const int e = errno;
    if (fd >= 0)
        ::close(fd);
    if (rc != 0)
        fail(e, QStringLiteral("Cannot flush '%1'").arg(name));
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail(errno, QStringLiteral("Cannot open the folder '%1'").arg(folder));
    const int rc = ::fsync(fd);
    const int e = errno;
    ::close(fd);
    if (rc != 0)
        fail(e, QStringLiteral("Cannot flush the folder '%1'").arg(folder));
}

} // namespace

QString realFolderName(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString folder = QDir(info.absolutePath()).canonicalPath();
    return folder.isEmpty() ? fileName : QDir(folder).filePath(info.fileName());
}

QString templateCopyPrefix(const QString& target) {
    return QLatin1Char('.') + QFileInfo(target).fileName() + QStringLiteral(".tmp.");
}

TemplateCopy copyTemplateOnce(const QString& templateFile, const QString& target,
                              const std::function<void(const QString&)>& fill) {
    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();
    clearStaleTemplateCopies(target);

    const int from = ::open(QFile::encodeName(templateFile).constData(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        fail(errno, QStringLiteral("Cannot read the template '%1'").arg(templateFile));
    TempFile source{{}, from, true};

    const QString tempName = temporaryCopyName(target);
    TempFile temp;
    temp.path = QFile::encodeName(tempName);
    temp.fd =
        ::open(temp.path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    struct stat made {};
    if (temp.fd < 0 || ::fstat(temp.fd, &made) != 0) {
        const int e = errno;
        if (temp.fd < 0)
            temp.path.clear(); // not ours to remove
        fail(e, QStringLiteral("Cannot create the register '%1' in '%2'")
                    .arg(targetInfo.fileName(), folder));
    }
    const FileIdentity identity{static_cast<quint64>(made.st_dev),
                                static_cast<quint64>(made.st_ino)};
    copyBytes(from, temp.fd, templateFile, tempName);
    if (::fsync(temp.fd) != 0)
        fail(errno, QStringLiteral("Cannot flush '%1'").arg(tempName));
    ::close(temp.fd);
    temp.fd = -1;
    requireRegisterFile(temp.path, templateFile);
    if (fill) {
        // Filled under its temporary name, so the register appears whole or
        // not at all; a failure leaves nothing (TempFile removes it).
        fill(tempName);
        flushFile(temp.path, tempName);
    }

    // link() names whatever the temporary name holds now: in a folder
    // others may write, that must still be the file made above.
    if (!isFile(tempName, identity))
        throw EngineError(err::IoError,
                          QStringLiteral("The new register '%1' was replaced by another file "
                                         "while it was made; it was not used.")
                              .arg(tempName));
    TemplateCopy outcome = TemplateCopy::Created;
    if (::link(temp.path.constData(),
               QFile::encodeName(targetInfo.absoluteFilePath()).constData()) != 0) {
        if (errno != EEXIST)
            fail(errno, QStringLiteral("Cannot create the register '%1'")
                            .arg(targetInfo.absoluteFilePath()));
        outcome = TemplateCopy::MadeByOther;
    }
    // The temporary name goes (TempFile), then the folder is flushed so the
    // final name survives a crash of the machine.
    removeWithSidecars(temp.path);
    temp.path.clear();
    syncFolder(folder);
    return outcome;
}

QString temporaryCopyName(const QString& target) {
    // The last part is random: a name known in advance could be taken by
    // someone else's link or file before this program makes it.
    const QFileInfo info(target);
    return QDir(info.absolutePath())
        .filePath(templateCopyPrefix(target) +
                  QStringLiteral("%1.%2.%3")
                      .arg(hostName())
                      .arg(::getpid())
                      .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0')));
}

FileIdentity createNewFile(const QString& file) {
    const QByteArray path = QFile::encodeName(file);
    const int fd =
        ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            throw EngineError(err::IoError,
                              QStringLiteral("Cannot create '%1': the file exists.").arg(file));
        fail(errno, QStringLiteral("Cannot create '%1'").arg(file));
    }
    struct stat info {};
    const int rc = ::fstat(fd, &info);
    const int e = errno;
    ::close(fd);
    if (rc != 0)
        fail(e, QStringLiteral("Cannot create '%1'").arg(file));
    return {static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

void removeTemporaryCopy(const QString& file) {
    removeWithSidecars(QFile::encodeName(file));
}

void removeLockFile(const QString& file) {
    ::unlink((QFile::encodeName(file) + ".lck").constData());
}

void flushCopy(const QString& temp) {
    flushFile(QFile::encodeName(temp), temp);
}

void publishCopy(const QString& temp, const QString& target, bool replace) {
    const QByteArray from = QFile::encodeName(temp);
    const QByteArray to = QFile::encodeName(target);
    flushFile(from, temp);
    if (replace) {
        requireRegularOrMissing(target); // a device or a link is never replaced
        // rename() replaces the old file in one step: readers see the old
        // file or the new one, never neither.
        if (::rename(from.constData(), to.constData()) != 0)
            fail(errno, QStringLiteral("Cannot give the copy the name '%1'").arg(target));
        // A journal the replaced file left (after a crash) would be rolled
        // back into the new file when it is opened, and spoil it.
        ::unlink((to + "-journal").constData());
    } else {
        if (::link(from.constData(), to.constData()) != 0) {
            if (errno == EEXIST)
                throw EngineError(
                    err::IoError,
                    QStringLiteral("The file '%1' exists; it was left as it was.").arg(target));
            fail(errno, QStringLiteral("Cannot give the copy the name '%1'").arg(target));
        }
        ::unlink(from.constData());
    }
    syncFolder(QFileInfo(target).absolutePath());
}

int clearStaleTemplateCopies(const QString& target, std::chrono::seconds maxAge) {
    const QFileInfo targetInfo(target);
    const QDir folder(targetInfo.absolutePath());
    const QString prefix = templateCopyPrefix(target);
    const QString host = hostName();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int removed = 0;
    const QStringList names =
        folder.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        // "<host>.<pid>.<n>", or its lock file "<host>.<pid>.<n>.lck"; read
        // from the right, since a host name may hold dots itself.
        QString rest = name.mid(prefix.size());
        if (rest.endsWith(QLatin1String(".lck")))
            rest.chop(4);
        const qsizetype lastDot = rest.lastIndexOf(QLatin1Char('.'));
        const qsizetype pidDot = lastDot > 0 ? rest.lastIndexOf(QLatin1Char('.'), lastDot - 1) : -1;
        bool dead = false;
        if (pidDot > 0 && rest.left(pidDot) == host) {
            bool ok = false;
            const qint64 pid = rest.mid(pidDot + 1, lastDot - pidDot - 1).toLongLong(&ok);
            dead = ok && pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 &&
                   errno == ESRCH;
        }
        const QFileInfo info(folder.filePath(name));
        const bool old = info.lastModified().toUTC().secsTo(now) > maxAge.count();
        if ((dead || old) && QFile::remove(info.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace store
