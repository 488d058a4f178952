// The registry files: the user's location from the environment, lock-free
// reads, locked read-modify-write with an atomic replace (QSaveFile writes a
// temporary file and renames it over the old one) of the user's or the
// machine-wide file.

#include "registry_file.h"

#include "error_info.h"
#include "machine_registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <atomic>

namespace com {

namespace {
constexpr int kLockWaitMs = 10000;
const QString kSource = QStringLiteral("component registry");
std::atomic<RegistryScope> gEditScope{RegistryScope::User};

/// The file editRegistry() changes, or a failure with error info.
HRESULT editedFile(QString* path) {
    if (gEditScope == RegistryScope::User) {
        *path = registryFilePath();
        return S_OK;
    }
    *path = machineRegistryFilePath();
    if (path->isEmpty())
        return raiseError(REGDB_E_WRITEREGDB, kSource,
                          QStringLiteral("This program is not installed, so there is no "
                                         "machine-wide component registry; name one in "
                                         "TOLVANE_COM_MACHINE_REGISTRY."));
    return S_OK;
}

/// Every user reads the machine-wide registry: its file and folder must stay
/// readable whatever the umask of the administrator who changed it.
void keepReadable(const QString& file, const QString& madeFolder) {
    constexpr auto kFile =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;       // 0644
    constexpr auto kFolder = kFile | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther; // 0755
    if (!madeFolder.isEmpty())
        QFile::setPermissions(madeFolder, kFolder);
    QFile::setPermissions(file, kFile);
}
} // namespace

void setEditScope(RegistryScope scope) {
    gEditScope = scope;
}

HRESULT readRegistryFile(const QString& path, RegistryTree* tree) {
    if (!tree)
        return E_POINTER;
    QFile file(path);
    if (!file.exists()) {
        *tree = RegistryTree();
        return S_OK;
    }
    if (!file.open(QIODevice::ReadOnly))
        return raiseError(REGDB_E_READREGDB, kSource,
                          QStringLiteral("Could not read the component registry %1: %2")
                              .arg(path, file.errorString()));
    *tree = RegistryTree::parse(file.readAll());
    return S_OK;
}

QString registryFilePath() {
    const QString own = qEnvironmentVariable("TOLVANE_COM_REGISTRY");
    if (!own.isEmpty())
        return own;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) // relative values are to be ignored
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/tolvane/com-registry");
}

HRESULT readRegistry(RegistryTree* tree) {
    return readRegistryFile(registryFilePath(), tree);
}

HRESULT editRegistry(const std::function<HRESULT(RegistryTree&)>& change) {
    QString path;
    HRESULT hr = editedFile(&path);
    if (failed(hr))
        return hr;
    const QString folder = QFileInfo(path).absolutePath();
    const bool folderWasThere = QDir(folder).exists();
    if (!QDir().mkpath(folder))
        return raiseError(REGDB_E_WRITEREGDB, kSource,
                          QStringLiteral("Could not create the folder %1.").arg(folder));

    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return raiseError(REGDB_E_WRITEREGDB, kSource,
                          (lock.error() == QLockFile::PermissionError
                               ? QStringLiteral("You may not change the component registry %1.")
                               : QStringLiteral("The component registry %1 stayed locked."))
                              .arg(path));

    RegistryTree tree;
    hr = readRegistryFile(path, &tree);
    if (failed(hr))
        return hr;
    hr = change(tree);
    if (failed(hr))
        return hr;

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(tree.serialize()) < 0 || !out.commit())
        return raiseError(REGDB_E_WRITEREGDB, kSource,
                          QStringLiteral("Could not write the component registry %1: %2")
                              .arg(path, out.errorString()));
    if (gEditScope == RegistryScope::Machine)
        keepReadable(path, folderWasThere ? QString() : folder);
    return hr;
}

} // namespace com
