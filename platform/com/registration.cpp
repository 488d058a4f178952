// Writing and removing the registry entries of an in-process server.

#include "registration.h"

#include <QFileInfo>

namespace com {

namespace {
/// Runs setValue calls in order and stops at the first failure.
class Writer {
public:
    explicit Writer(RegistryTree& tree) : tree_(tree) {}
    Writer& set(const QString& key, const QString& name, const QString& value) {
        if (succeeded(hr_))
            hr_ = tree_.setValue(key, name, value);
        return *this;
    }
    Writer& create(const QString& key) {
        if (succeeded(hr_))
            hr_ = tree_.createKey(key);
        return *this;
    }
    HRESULT result() const { return hr_; }

private:
    RegistryTree& tree_;
    HRESULT hr_ = S_OK;
};

const QString kNoName;
} // namespace

QString classKey(const CLSID& clsid) {
    return QStringLiteral("CLSID\\") + clsid.toString();
}
QString interfaceKey(const IID& iid) {
    return QStringLiteral("Interface\\") + iid.toString();
}
QString typeLibKey(const Guid& libid) {
    return QStringLiteral("TypeLib\\") + libid.toString();
}

HRESULT registerClass(RegistryTree& tree, const ClassRegistration& e) {
    if (e.libraryPath.isEmpty())
        return E_INVALIDARG;
    const QString key = classKey(e.clsid);
    Writer w(tree);
    w.set(key, kNoName, e.description)
        .set(key + QStringLiteral("\\InprocServer32"), kNoName, e.libraryPath)
        .set(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"),
             e.threadingModel)
        .create(key + QStringLiteral("\\Programmable"));
    if (!e.progId.isEmpty())
        w.set(key + QStringLiteral("\\ProgID"), kNoName, e.progId)
            .set(e.progId, kNoName, e.description)
            .set(e.progId + QStringLiteral("\\Clsid"), kNoName, e.clsid.toString());
    if (e.typeLib)
        w.set(key + QStringLiteral("\\TypeLib"), kNoName, e.typeLib->toString())
            .set(key + QStringLiteral("\\VERSION"), kNoName, e.typeLibVersion);
    return w.result();
}

HRESULT registerInterface(RegistryTree& tree, const InterfaceRegistration& e) {
    const QString key = interfaceKey(e.iid);
    Writer w(tree);
    w.set(key, kNoName, e.name)
        .set(key + QStringLiteral("\\NumMethods"), kNoName, QString::number(e.methodCount));
    if (e.typeLib)
        w.set(key + QStringLiteral("\\TypeLib"), kNoName, e.typeLib->toString())
            .set(key + QStringLiteral("\\TypeLib"), QStringLiteral("Version"), e.typeLibVersion);
    return w.result();
}

HRESULT registerTypeLib(RegistryTree& tree, const TypeLibRegistration& e) {
    if (e.libraryPath.isEmpty())
        return E_INVALIDARG;
    const QString key = typeLibKey(e.libid) + QLatin1Char('\\') + e.version;
    Writer w(tree);
    w.set(key, kNoName, e.name)
        .set(key + QLatin1Char('\\') + QString::number(e.lcid, 16) + QStringLiteral("\\linux64"),
             kNoName, e.libraryPath)
        .set(key + QStringLiteral("\\FLAGS"), kNoName, QStringLiteral("0"))
        .set(key + QStringLiteral("\\HELPDIR"), kNoName, QFileInfo(e.libraryPath).absolutePath());
    return w.result();
}

void unregisterClass(RegistryTree& tree, const CLSID& clsid, const QString& progId) {
    tree.removeTree(classKey(clsid));
    if (progId.isEmpty() || !RegistryTree::isValidKey(progId))
        return;
    const std::optional<QString> owner = tree.value(progId + QStringLiteral("\\Clsid"));
    const std::optional<Guid> ownerId = owner ? Guid::fromString(*owner) : std::nullopt;
    if (!owner || (ownerId && *ownerId == clsid))
        tree.removeTree(progId);
}

void unregisterInterface(RegistryTree& tree, const IID& iid) {
    tree.removeTree(interfaceKey(iid));
}

void unregisterTypeLib(RegistryTree& tree, const Guid& libid, const QString& version) {
    const QString key = typeLibKey(libid);
    tree.removeTree(key + QLatin1Char('\\') + version);
    const QString below = key + QLatin1Char('\\');
    for (const QString& k : tree.keys())
        if (k.startsWith(below, Qt::CaseInsensitive))
            return; // other versions remain
    tree.removeTree(key);
}

} // namespace com
