// Activation: registry lookup, library load, class object, instance.

#include "activation.h"

#include "com_ptr.h"
#include "error_info.h"
#include "library_loader.h"
#include "machine_registry.h"
#include "registration.h"
#include "registry_file.h"
#include "server_exports.h"
#include "unknown.h"

#include <QDir>
#include <QFileInfo>

namespace com {

namespace {
const QString kSource = QStringLiteral("component runtime");

/// The registries looked in, for a message.
QString registriesSearched() {
    const QString machine = machineRegistryFilePath();
    return machine.isEmpty()
               ? QStringLiteral("component registry %1").arg(registryFilePath())
               : QStringLiteral("component registries %1 and %2").arg(registryFilePath(), machine);
}

/// The library registered for `clsid`, or a failure with error info. A
/// user's registration whose library is gone (a build folder since removed)
/// gives way to the machine-wide one.
HRESULT serverPath(const CLSID& clsid, QString* path) {
    const QString key = classKey(clsid) + QStringLiteral("\\InprocServer32");
    std::optional<QString> p;
    const HRESULT hr = registeredValue(key, &p);
    if (failed(hr))
        return hr;
    if (p && QDir::isAbsolutePath(*p) && !QFileInfo::exists(*p)) {
        std::optional<QString> machine;
        if (succeeded(machineRegisteredValue(key, &machine)) && machine && !machine->isEmpty())
            p = machine;
    }
    if (!p || p->isEmpty())
        return raiseError(REGDB_E_CLASSNOTREG, kSource,
                          QStringLiteral("Class %1 is not registered (%2).")
                              .arg(clsid.toString(), registriesSearched()));
    *path = *p;
    return S_OK;
}

/// A failure a library returned: its own error info stays when it recorded
/// one for this code, else `text` is recorded.
HRESULT keepOrRaise(HRESULT hr, const QString& text) {
    const std::optional<ErrorInfo> own = peekErrorInfo();
    if (own && own->code == hr && !own->description.isEmpty())
        return hr;
    return raiseError(hr, kSource, text);
}
} // namespace

HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    clearErrorInfo(); // a library's own record is recognised by being the only one
    QString path;
    HRESULT hr = serverPath(clsid, &path);
    if (failed(hr))
        return hr;
    void* library = nullptr;
    hr = loadLibrary(path, &library);
    if (failed(hr))
        return hr;
    const auto getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(librarySymbol(library, "DllGetClassObject"));
    if (!getClassObject)
        return raiseError(
            CO_E_ERRORINDLL, kSource,
            QStringLiteral("The library %1 does not export DllGetClassObject.").arg(path));
    try {
        hr = getClassObject(clsid, iid, object);
    } catch (...) {
        *object = nullptr;
        return raiseError(CO_E_ERRORINDLL, kSource,
                          QStringLiteral("DllGetClassObject of %1 raised an exception.").arg(path));
    }
    if (failed(hr)) {
        *object = nullptr;
        return keepOrRaise(hr, QStringLiteral("The library %1 gave no class object for %2 with "
                                              "interface %3: %4")
                                   .arg(path, clsid.toString(), iid.toString(), resultText(hr)));
    }
    if (!*object)
        return raiseError(
            E_UNEXPECTED, kSource,
            QStringLiteral("DllGetClassObject of %1 succeeded without an object.").arg(path));
    return hr;
}

HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    Ptr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, IID_IClassFactory, factory.putVoid());
    if (failed(hr))
        return hr;
    try {
        hr = factory->CreateInstance(nullptr, iid, object);
    } catch (...) {
        *object = nullptr;
        return raiseError(E_UNEXPECTED, kSource,
                          QStringLiteral("Creating an object of class %1 raised an exception.")
                              .arg(clsid.toString()));
    }
    if (failed(hr)) {
        *object = nullptr;
        if (hr == E_NOINTERFACE)
            return raiseError(hr, kSource,
                              QStringLiteral("An object of class %1 has no interface %2.")
                                  .arg(clsid.toString(), iid.toString()));
        return keepOrRaise(hr, QStringLiteral("Could not create an object of class %1: %2")
                                   .arg(clsid.toString(), resultText(hr)));
    }
    if (!*object)
        return raiseError(
            E_UNEXPECTED, kSource,
            QStringLiteral("The class object of %1 made no object.").arg(clsid.toString()));
    return hr;
}

HRESULT CLSIDFromProgID(const QString& progId, CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID{};
    std::optional<QString> text;
    if (RegistryTree::isValidKey(progId)) {
        const HRESULT hr = registeredValue(progId + QStringLiteral("\\Clsid"), &text);
        if (failed(hr))
            return hr;
    }
    const std::optional<Guid> id = text ? Guid::fromString(*text) : std::nullopt;
    if (!id)
        return raiseError(
            CO_E_CLASSSTRING, kSource,
            QStringLiteral("No class is registered under the name \"%1\".").arg(progId));
    *clsid = *id;
    return S_OK;
}

} // namespace com
