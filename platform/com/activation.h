#pragma once
// Activation by class identity: the user's registry (registry_file.h), else
// the machine-wide one (machine_registry.h), names the library that serves a
// class (a user's entry whose library is gone gives way to the machine-wide
// one); the runtime loads it (library_loader.h), asks
// its DllGetClassObject for the class object and has that create the
// instance. Every failure returns its own code and records error info with a
// text naming the class, the library or the interface involved:
//
//   class not in the registry              REGDB_E_CLASSNOTREG
//   library file missing                   ERROR_MOD_NOT_FOUND_RESULT
//   library others could change, relative  E_ACCESSDENIED (library_trust.h)
//   file the loader refuses                ERROR_BAD_EXE_FORMAT_RESULT
//   no DllGetClassObject export            CO_E_ERRORINDLL
//   the object lacks the interface         E_NOINTERFACE
//   unreadable registry                    REGDB_E_READREGDB
//   a ProgID not in the registry           CO_E_CLASSSTRING
//
// Cost: one read of the user's registry file per call, and one of the
// machine-wide file when the user's lacks the class; the library is loaded
// once.

#include "guid.h"
#include "result.h"

#include <QString>

namespace com {

/// The class object of `clsid`, as interface `iid` (usually IClassFactory).
HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** object);

/// A new instance of `clsid`, as interface `iid`; *object gets nullptr on
/// failure.
HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** object);

/// The class identity a ProgID ("Brellox.clsAccess") is registered for.
HRESULT CLSIDFromProgID(const QString& progId, CLSID* clsid);

} // namespace com
