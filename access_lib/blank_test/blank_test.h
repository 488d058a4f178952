#pragma once
// The blank-test component: an outside component Brellox asks whether a
// WHERE or ORDER BY value is blank. Brellox binds to its class and interface
// identities and calls the SIXTH slot after the IDispatch slots; the five
// slots before it belong to the component's other routines, which this
// system does not use (the build here answers them with E_NOTIMPL). Slot
// positions are the contract, so nothing may be inserted or reordered.
//
// The rule of this build: Empty, Null and a text that is empty or holds
// only spaces are blank; a number, date or Boolean is not (its text is never
// blank); an object or an error value is a type mismatch.

#include "platform/com/dispatch.h"
#include "platform/com/variant.h"

namespace blanktest {

inline constexpr com::CLSID CLSID_BlankTest = com::guid("{54CC8CAE-F1B9-4A2B-90F9-C613F7ADAADA}");
inline constexpr com::IID IID_IBlankTest = com::guid("{6D0D75CA-0779-4178-B590-B00A640CCCDC}");
inline constexpr char ProgId[] = "BlankTest.clsBlankTest";

/// Dispatch id of the blank test (the sixth routine).
inline constexpr com::DISPID DISPID_fnIsBlank = 0x60030005;

class IBlankTest : public com::IDispatch {
public:
    // Slots 1..5 after IDispatch: not used by this system.
    virtual com::HRESULT rtnReserved1() = 0;
    virtual com::HRESULT rtnReserved2() = 0;
    virtual com::HRESULT rtnReserved3() = 0;
    virtual com::HRESULT rtnReserved4() = 0;
    virtual com::HRESULT rtnReserved5() = 0;
    /// Slot 6: *result = True (-1) when *value (read through references) is
    /// blank, else False (0).
    virtual com::HRESULT fnIsBlank(com::Variant* value, com::VARIANT_BOOL* result) = 0;

protected:
    ~IBlankTest() = default;
};

} // namespace blanktest
