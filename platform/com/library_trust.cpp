// The checks of a library's path before it is loaded: absolute, resolved,
// and owned and writable only by the running user or root, from the file up
// to the root folder.

#include "library_trust.h"

#include "error_info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace com {

namespace {
const QString kSource = QStringLiteral("component runtime");

/// The login name of `uid`, or its number (thread-safe: loads may run on
/// several threads).
QString userName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

HRESULT refuse(const QString& library, const QString& why) {
    return raiseError(E_ACCESSDENIED, kSource,
                      QStringLiteral("The library %1 is not loaded: %2").arg(library, why));
}

/// Refuses `path` (the library itself or a folder above it) if it is not
/// the running user's or root's, or others may change what it holds.
HRESULT checkOne(const QString& library, const QString& path, bool folder) {
    struct stat st {};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0)
        return raiseError(ERROR_MOD_NOT_FOUND_RESULT, kSource,
                          QStringLiteral("The library %1 was not found.").arg(library));
    if (S_ISLNK(st.st_mode)) // replaced since it was resolved
        return refuse(library, QStringLiteral("%1 changed while it was checked.").arg(path));
    if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))
        return raiseError(ERROR_MOD_NOT_FOUND_RESULT, kSource,
                          QStringLiteral("The library %1 was not found.").arg(library));
    if (st.st_uid != 0 && st.st_uid != geteuid())
        return refuse(library,
                      QStringLiteral("%1 belongs to the user %2.").arg(path, userName(st.st_uid)));
    const bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (othersWrite && !(folder && (st.st_mode & S_ISVTX)))
        return refuse(library, QStringLiteral("other users may change %1.").arg(path));
    return S_OK;
}
} // namespace

HRESULT trustedLibraryPath(const QString& path, QString* resolved) {
    if (!resolved)
        return E_POINTER;
    resolved->clear();
    if (path.isEmpty())
        return raiseError(ERROR_MOD_NOT_FOUND_RESULT, kSource,
                          QStringLiteral("No library is named."));
    if (!QDir::isAbsolutePath(path))
        return refuse(path, QStringLiteral("its path is not absolute."));
    // Every symbolic link resolved (realpath), so that each folder checked
    // below is one the file really lies in.
    const QString file = QFileInfo(path).canonicalFilePath();
    if (file.isEmpty())
        return raiseError(ERROR_MOD_NOT_FOUND_RESULT, kSource,
                          QStringLiteral("The library %1 was not found.").arg(path));
    HRESULT hr = checkOne(path, file, false);
    for (QString folder = file; succeeded(hr) && folder != QLatin1String("/");) {
        folder = folder.left(std::max<qsizetype>(folder.lastIndexOf(QLatin1Char('/')), 1));
        hr = checkOne(path, folder, true);
    }
    if (succeeded(hr))
        *resolved = file;
    return hr;
}

} // namespace com
