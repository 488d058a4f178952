#pragma once
// A test object that counts its references and can offer IDispatch or not,
// to check who adds and releases references. Never deletes itself: the test
// owns it and reads the count.

#include "platform/com/dispatch.h"

class CountingObject : public com::IDispatch {
public:
    explicit CountingObject(bool dispatch = false) : dispatch_(dispatch) {}
    virtual ~CountingObject() = default;

    com::ULONG refs = 1; ///< the test's own reference

    com::HRESULT QueryInterface(const com::IID& iid, void** object) override {
        if (iid == com::IID_IUnknown || (dispatch_ && iid == com::IID_IDispatch)) {
            *object = static_cast<com::IDispatch*>(this);
            AddRef();
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    com::ULONG AddRef() override { return ++refs; }
    com::ULONG Release() override { return --refs; }

    com::HRESULT GetTypeInfoCount(std::uint32_t*) override { return com::E_NOTIMPL; }
    com::HRESULT GetTypeInfo(std::uint32_t, com::LCID, com::ITypeInfo**) override {
        return com::E_NOTIMPL;
    }
    com::HRESULT GetIDsOfNames(const com::IID&, const QString*, std::uint32_t, com::LCID,
                               com::DISPID*) override {
        return com::E_NOTIMPL;
    }
    com::HRESULT Invoke(com::DISPID, const com::IID&, com::LCID, std::uint16_t, com::DispParams*,
                        com::Variant*, com::ExcepInfo*, std::uint32_t*) override {
        return com::E_NOTIMPL;
    }

private:
    bool dispatch_;
};
