// The registry file: location from the environment, lock-free reads, locked
// read-modify-write with an atomic replace (QSaveFile writes a temporary
// file and renames it over the old one).

#include "registry_file.h"

#include "error_info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace com {

namespace {
constexpr int kLockWaitMs = 10000;
const QString kSource = QStringLiteral("component registry");

HRESULT readFile(const QString& path, RegistryTree* tree) {
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
} // namespace

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
    if (!tree)
        return E_POINTER;
    return readFile(registryFilePath(), tree);
}

HRESULT editRegistry(const std::function<HRESULT(RegistryTree&)>& change) {
    const QString path = registryFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return raiseError(REGDB_E_WRITEREGDB, kSource,
                          QStringLiteral("Could not create the folder %1.").arg(folder));

    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return raiseError(REGDB_E_WRITEREGDB, kSource,
                          QStringLiteral("The component registry %1 stayed locked.").arg(path));

    RegistryTree tree;
    HRESULT hr = readFile(path, &tree);
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
    return hr;
}

} // namespace com
