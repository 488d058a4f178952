#pragma once
// ObjectBase<Derived, Interface>: IUnknown done once for objects that offer a
// single chain of interfaces (Interface, its bases, IUnknown). Derived says
// which identities it answers to with `static bool offers(const IID&)`
// (IID_IUnknown is always offered) and is deleted as Derived when the last
// reference goes. An object starts with one reference, the creator's.
// Header only; the count is atomic so that a stray AddRef from another thread
// cannot corrupt it, though objects are meant for their creating thread.

#include "unknown.h"

#include <atomic>

namespace com {

template <class Derived, class Interface> class ObjectBase : public Interface {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || Derived::offers(iid)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return refs_.fetch_add(1) + 1; }
    ULONG Release() override {
        const ULONG left = refs_.fetch_sub(1) - 1;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ObjectBase() = default;
    ~ObjectBase() = default;

private:
    std::atomic<ULONG> refs_{1}; ///< references held; the creator owns the first
};

} // namespace com
