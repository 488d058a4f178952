// Telling a file from a link or a file put in its place (see
// file_identity.h), with lstat() so that no link is ever followed.

#include "file_identity.h"

#include "engine_error.h"

#include <QFile>
#include <sys/stat.h>

namespace store {

bool isFile(const QString& file, FileIdentity identity) {
    struct stat info {};
    return ::lstat(QFile::encodeName(file).constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<quint64>(info.st_dev) == identity.device &&
           static_cast<quint64>(info.st_ino) == identity.inode;
}

FileIdentity identityOf(const QString& file) {
    struct stat info {};
    if (::lstat(QFile::encodeName(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return {static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

void requireRegularOrMissing(const QString& file) {
    struct stat info {};
    if (::lstat(QFile::encodeName(file).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        throw EngineError(err::IoError,
                          QStringLiteral("'%1' is not a regular file (it is a link, a folder, a "
                                         "device or a pipe); it was left as it was.")
                              .arg(file));
}

} // namespace store
