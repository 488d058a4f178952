// The per-thread blank-test object and the call to its sixth slot.

#include "blank_check.h"

#include "blank_test/blank_test.h"
#include "platform/com/activation.h"
#include "platform/com/com_ptr.h"
#include "platform/com/error_info.h"

namespace brellox {

namespace {
/// This thread's blank-test object; released when the thread ends.
thread_local com::Ptr<blanktest::IBlankTest> tBlankTest;
} // namespace

com::HRESULT askBlank(com::Variant* value, bool* blank) {
    if (!blank)
        return com::E_POINTER;
    if (!tBlankTest) {
        const com::HRESULT hr = com::CoCreateInstance(
            blanktest::CLSID_BlankTest, blanktest::IID_IBlankTest, tBlankTest.putVoid());
        if (com::failed(hr))
            return hr; // the runtime recorded why
    }
    com::VARIANT_BOOL answer = com::VARIANT_FALSE;
    com::clearErrorInfo();
    const com::HRESULT hr = tBlankTest->fnIsBlank(value, &answer);
    if (com::failed(hr)) {
        if (!com::peekErrorInfo())
            com::raiseError(hr, QString::fromLatin1(blanktest::ProgId), com::resultText(hr));
        return hr;
    }
    *blank = answer != com::VARIANT_FALSE;
    return com::S_OK;
}

} // namespace brellox
