#pragma once
// The four functions every in-process server library exports, and the
// signatures the runtime and regsvr look them up by:
//
//   DllGetClassObject    hands out the class object (IClassFactory) of a class
//   DllCanUnloadNow      S_OK when no object and no server lock remain
//   DllRegisterServer    writes the library's entries into the registry
//   DllUnregisterServer  removes them
//
// A server library includes this header and defines the four functions;
// they get C linkage and default visibility from the declarations here, so
// they stay exported even when the library hides everything else.

#include "guid.h"
#include "result.h"

#define COM_EXPORT __attribute__((visibility("default")))

namespace com {
using DllGetClassObjectFn = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
} // namespace com

extern "C" {
COM_EXPORT com::HRESULT DllGetClassObject(const com::CLSID& clsid, const com::IID& iid,
                                          void** object);
COM_EXPORT com::HRESULT DllCanUnloadNow();
COM_EXPORT com::HRESULT DllRegisterServer();
COM_EXPORT com::HRESULT DllUnregisterServer();
}
