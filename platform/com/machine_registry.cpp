// The machine-wide registry: its place derived from this library's own
// installed location, and lookups that fall back to it after the user's.

#include "machine_registry.h"

#include "library_loader.h"
#include "registry_file.h"

#include <QDir>
#include <QFileInfo>

namespace com {

namespace {
const int kAnchor = 0; ///< an address inside this library, for its path
const QString kBelowStateDir = QStringLiteral("/lib/tolvane/com-registry");
} // namespace

QString machineRegistryPathFor(const QString& libraryFolder, const QString& installLibDir) {
    const QString folder = QDir::cleanPath(libraryFolder);
    const QString below = QLatin1Char('/') + QDir::cleanPath(installLibDir);
    if (!QDir::isAbsolutePath(folder) || !folder.endsWith(below))
        return {};
    const QString prefix = folder.chopped(below.size()); // "" for the root
    // The state folder of GNU installation conventions, as CMake's
    // GNUInstallDirs lays it out for the same prefix.
    if (prefix.isEmpty() || prefix == QLatin1String("/usr"))
        return QStringLiteral("/var") + kBelowStateDir;
    if (prefix.startsWith(QLatin1String("/opt/")))
        return QStringLiteral("/var") + prefix + kBelowStateDir;
    return prefix + QStringLiteral("/var") + kBelowStateDir;
}

QString machineRegistryFilePath() {
    const QString own = qEnvironmentVariable("TOLVANE_COM_MACHINE_REGISTRY");
    if (!own.isEmpty())
        return own;
    static const QString installed = machineRegistryPathFor(
        QFileInfo(modulePathOf(&kAnchor)).absolutePath(), QStringLiteral(TOLVANE_INSTALL_LIBDIR));
    return installed;
}

HRESULT registeredValue(const QString& key, std::optional<QString>* value) {
    if (!value)
        return E_POINTER;
    value->reset();
    RegistryTree tree;
    HRESULT hr = readRegistry(&tree);
    if (failed(hr))
        return hr;
    *value = tree.value(key);
    return *value ? S_OK : machineRegisteredValue(key, value);
}

HRESULT machineRegisteredValue(const QString& key, std::optional<QString>* value) {
    if (!value)
        return E_POINTER;
    value->reset();
    const QString machine = machineRegistryFilePath();
    if (machine.isEmpty())
        return S_OK;
    RegistryTree tree;
    const HRESULT hr = readRegistryFile(machine, &tree);
    if (succeeded(hr))
        *value = tree.value(key);
    return hr;
}

} // namespace com
