#pragma once
// A small in-process server used by the runtime's tests: class identity,
// ProgID and interface of the test component library
// (libcom_test_component.so), shared by the library and the tests.

#include "platform/com/unknown.h"

#include <cstdint>

namespace comtest {

inline constexpr com::CLSID CLSID_Counter = com::guid("{EEC8484E-A5EF-4BD9-B382-C8139636EE92}");
inline constexpr com::IID IID_IValue = com::guid("{3DEB8858-D49F-42F0-99A6-E74A4AE799CF}");
/// A class identity the test library does not serve.
inline constexpr com::CLSID CLSID_Unserved = com::guid("{0A1B2C3D-0000-4000-8000-00000000BEEF}");
inline constexpr char ProgId[] = "ComTest.Counter";
inline constexpr std::int32_t kValue = 42;

/// Set in the environment to make DllRegisterServer fail with SELFREG_E_CLASS.
inline constexpr char kFailRegisterVariable[] = "COM_TEST_FAIL_REGISTER";

class IValue : public com::IUnknown {
public:
    virtual com::HRESULT value(std::int32_t* out) = 0;

protected:
    ~IValue() = default;
};

} // namespace comtest
