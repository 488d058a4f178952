// The Brellox library as an in-process server: its module counts, the class
// object of clsAccess, and the four exports. Registration writes the
// identities of brellox.h with this file's own path, found with dladdr.

#include "brellox.h"
#include "cls_access.h"
#include "module.h"
#include "platform/com/error_info.h"
#include "platform/com/library_loader.h"
#include "platform/com/registration.h"
#include "platform/com/registry_file.h"
#include "platform/com/server_exports.h"

namespace brellox {

com::ServerModule& serverModule() {
    static com::ServerModule module;
    return module;
}

namespace {
com::ClassFactory<clsAccess>& factory() {
    static com::ClassFactory<clsAccess> instance(serverModule());
    return instance;
}

const int kAnchor = 0; ///< an address inside this library, for its path

/// Slots of _clsAccess: IUnknown's 3, IDispatch's 4, its own 4.
constexpr int kInterfaceSlots = 11;
} // namespace

} // namespace brellox

using namespace brellox;
using com::HRESULT;

HRESULT DllGetClassObject(const com::CLSID& clsid, const com::IID& iid, void** object) {
    if (!object)
        return com::E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_clsAccess)
        return com::CLASS_E_CLASSNOTAVAILABLE;
    return factory().QueryInterface(iid, object);
}

HRESULT DllCanUnloadNow() {
    return serverModule().canUnloadNow();
}

HRESULT DllRegisterServer() {
    const QString path = com::modulePathOf(&kAnchor);
    const QString progId = QString::fromLatin1(ProgId);
    if (path.isEmpty())
        return com::raiseError(com::SELFREG_E_CLASS, progId,
                               QStringLiteral("Cannot tell where the library is loaded from."));
    return com::editRegistry([&](com::RegistryTree& tree) {
        HRESULT hr = com::registerTypeLib(tree, {.libid = LIBID_Brellox,
                                                 .name = QString::fromLatin1(TypeLibName),
                                                 .version = QString::fromLatin1(TypeLibVersion),
                                                 .lcid = TypeLibLocale,
                                                 .libraryPath = path});
        if (com::succeeded(hr))
            hr = com::registerClass(tree, {.clsid = CLSID_clsAccess,
                                           .description = progId,
                                           .progId = progId,
                                           .libraryPath = path,
                                           .threadingModel = QStringLiteral("Apartment"),
                                           .typeLib = LIBID_Brellox,
                                           .typeLibVersion = QString::fromLatin1(TypeLibVersion)});
        if (com::succeeded(hr))
            hr = com::registerInterface(tree,
                                        {.iid = IID_clsAccess,
                                         .name = QStringLiteral("_clsAccess"),
                                         .methodCount = kInterfaceSlots,
                                         .typeLib = LIBID_Brellox,
                                         .typeLibVersion = QString::fromLatin1(TypeLibVersion)});
        return hr;
    });
}

HRESULT DllUnregisterServer() {
    return com::editRegistry([](com::RegistryTree& tree) {
        com::unregisterClass(tree, CLSID_clsAccess, QString::fromLatin1(ProgId));
        com::unregisterInterface(tree, IID_clsAccess);
        com::unregisterTypeLib(tree, LIBID_Brellox, QString::fromLatin1(TypeLibVersion));
        return com::S_OK;
    });
}
