#pragma once
// What a server library needs besides its classes: ServerModule counts its
// live objects and server locks (for DllCanUnloadNow), and ClassFactory<T>
// is the class object that DllGetClassObject hands out for class T.
//
// T must be default-constructible, start with one reference (ObjectBase
// does), and report itself to its library's ServerModule in its constructor
// and destructor. The factory is a static object of the library: its
// references count as server locks, it is never deleted. Header only.

#include "unknown.h"

#include <atomic>
#include <new>

namespace com {

class ServerModule {
public:
    void objectMade() { objects_.fetch_add(1); }
    void objectGone() { objects_.fetch_sub(1); }
    void lock() { locks_.fetch_add(1); }
    void unlock() { locks_.fetch_sub(1); }
    /// DllCanUnloadNow's answer: S_OK when no object and no lock remain.
    HRESULT canUnloadNow() const {
        return objects_.load() == 0 && locks_.load() == 0 ? S_OK : S_FALSE;
    }

private:
    std::atomic<long> objects_{0}; ///< live instances of the library's classes
    std::atomic<long> locks_{0};   ///< LockServer(true) calls and class object references
};

template <class T> class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(ServerModule& module) : module_(module) {}

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override {
        module_.lock();
        return 2; // a static object: the count means nothing to callers
    }
    ULONG Release() override {
        module_.unlock();
        return 1;
    }

    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        T* instance = new (std::nothrow) T();
        if (!instance)
            return E_OUTOFMEMORY;
        const HRESULT hr = instance->QueryInterface(iid, object);
        instance->Release(); // the caller's reference, if any, keeps it
        return hr;
    }
    HRESULT LockServer(bool lock) override {
        if (lock)
            module_.lock();
        else
            module_.unlock();
        return S_OK;
    }

private:
    ServerModule& module_;
};

} // namespace com
