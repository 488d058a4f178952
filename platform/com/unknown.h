#pragma once
// The base interface of every component object, and the class object
// interface that creates them. Interfaces are abstract classes of pure
// virtual functions only, with no virtual destructor, so that an interface
// pointer points at a table of exactly its slots in declaration order: slot 0
// QueryInterface, 1 AddRef, 2 Release, then the slots of each derived
// interface. Clients may call slots by position; nothing may be inserted.
//
// Lifetime is by reference count: AddRef for each pointer kept, Release when
// done; the object deletes itself when the count reaches zero. An interface
// pointer returned through an out-parameter carries one reference the
// caller owns. Objects are used on the thread that created them.

#include "guid.h"
#include "result.h"

#include <cstdint>

namespace com {

using ULONG = std::uint32_t;

inline constexpr IID IID_IUnknown = guid("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IClassFactory = guid("{00000001-0000-0000-C000-000000000046}");

class IUnknown {
public:
    /// Gives the object's interface `iid` in *object (with a reference), or
    /// E_NOINTERFACE and nullptr.
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default; // never deleted through an interface: Release does it
};

/// The class object a library hands out from DllGetClassObject.
class IClassFactory : public IUnknown {
public:
    /// Makes a new instance and gives its interface `iid`. `outer` must be
    /// nullptr (CLASS_E_NOAGGREGATION otherwise).
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    /// Keeps the library's server lock count up (lock) or down (!lock).
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

} // namespace com
