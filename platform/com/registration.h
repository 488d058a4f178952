#pragma once
// The registry entries of an in-process server, written and removed the way
// the platform has always laid them out, so that every library registers
// alike:
//
//   CLSID\{clsid}                      @ = description
//   CLSID\{clsid}\InprocServer32       @ = library path, ThreadingModel = ...
//   CLSID\{clsid}\ProgID               @ = progId
//   CLSID\{clsid}\TypeLib              @ = {libid}        (if a type library)
//   CLSID\{clsid}\VERSION              @ = type library version
//   CLSID\{clsid}\Programmable         (no values)
//   <progId>                           @ = description
//   <progId>\Clsid                     @ = {clsid}
//   Interface\{iid}                    @ = interface name
//   Interface\{iid}\TypeLib            @ = {libid}, Version = ...
//   Interface\{iid}\NumMethods         @ = slot count
//   TypeLib\{libid}\<version>          @ = type library name
//   TypeLib\{libid}\<version>\<lcid>\linux64  @ = library path
//   TypeLib\{libid}\<version>\FLAGS    @ = 0
//   TypeLib\{libid}\<version>\HELPDIR  @ = the library's folder
//
// These functions only edit a RegistryTree; wrap them in editRegistry() to
// change the file under its lock.

#include "guid.h"
#include "registry_tree.h"
#include "result.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace com {

struct ClassRegistration {
    CLSID clsid{};         ///< the class identity
    QString description{}; ///< default value of the class key, e.g. the ProgID
    QString progId{};      ///< "Library.Class"; empty for none
    QString libraryPath{}; ///< full path of the shared library
    QString threadingModel = QStringLiteral("Apartment"); ///< "Apartment", "Both", ...
    std::optional<Guid> typeLib{};                  ///< the type library the class is described in
    QString typeLibVersion = QStringLiteral("1.0"); ///< version of typeLib
};

struct InterfaceRegistration {
    IID iid{};                                      ///< the interface identity
    QString name{};                                 ///< e.g. "_clsAccess"
    int methodCount = 0;                            ///< slots including the IUnknown/IDispatch ones
    std::optional<Guid> typeLib{};                  ///< the type library it is described in
    QString typeLibVersion = QStringLiteral("1.0"); ///< version of typeLib
};

struct TypeLibRegistration {
    Guid libid{};                            ///< the type library identity
    QString name{};                          ///< e.g. "Brellox"
    QString version = QStringLiteral("1.0"); ///< "major.minor"
    std::uint32_t lcid = 0;                  ///< locale in the library's header, e.g. 0x409
    QString libraryPath{};                   ///< the file holding the type library
};

/// Key names of an identity's entries ("CLSID\{...}" and so on).
QString classKey(const CLSID& clsid);
QString interfaceKey(const IID& iid);
QString typeLibKey(const Guid& libid);

HRESULT registerClass(RegistryTree& tree, const ClassRegistration& entry);
HRESULT registerInterface(RegistryTree& tree, const InterfaceRegistration& entry);
HRESULT registerTypeLib(RegistryTree& tree, const TypeLibRegistration& entry);

/// Removes the class key, and the ProgID key when it still names this class
/// (a ProgID since taken over by another class stays).
void unregisterClass(RegistryTree& tree, const CLSID& clsid, const QString& progId);
void unregisterInterface(RegistryTree& tree, const IID& iid);
/// Removes one version of a type library, and its key once no version is left.
void unregisterTypeLib(RegistryTree& tree, const Guid& libid, const QString& version);

} // namespace com
