#pragma once
// Ptr<T>: an owning interface pointer. It holds one reference and releases
// it when it goes; copies add a reference. put() hands out the slot for an
// out-parameter that returns a reference (CoCreateInstance, QueryInterface).
// Header only; no cost beyond the AddRef/Release calls.

#include "unknown.h"

#include <utility>

namespace com {

template <class T> class Ptr {
public:
    Ptr() = default;
    /// Takes over a reference the caller already owns (no AddRef).
    static Ptr adopt(T* p) {
        Ptr r;
        r.p_ = p;
        return r;
    }
    /// Keeps `p` with a reference of its own (AddRef).
    static Ptr share(T* p) {
        if (p)
            p->AddRef();
        return adopt(p);
    }

    Ptr(const Ptr& o) : p_(o.p_) {
        if (p_)
            p_->AddRef();
    }
    Ptr(Ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Ptr& operator=(Ptr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~Ptr() { reset(); }

    void reset() {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    /// Gives up the reference to the caller.
    T* detach() { return std::exchange(p_, nullptr); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    /// Releases what is held and gives the slot for an out-parameter.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    /// Asks the held object for interface `iid` of type U.
    template <class U> HRESULT query(const IID& iid, Ptr<U>* out) const {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(iid, out->putVoid());
    }

private:
    T* p_ = nullptr;
};

} // namespace com
