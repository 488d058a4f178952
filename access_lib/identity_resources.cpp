// The library's identity as data in its file (section .comres), readable
// without loading it: the "_IID_CLSACCESS" resource (length 16, then the
// interface identity's 16 bytes) and the version strings.

#include "brellox.h"
#include "platform/com/resource_data.h"

namespace {
using namespace com::res;

COM_RESOURCES constexpr auto kIdentity = section(
    dataResource("_IID_CLSACCESS", lengthPrefixed(brellox::IID_clsAccess.bytes())),
    versionString("ProductName", "Brellox"), versionString("InternalName", "Brellox"),
    versionString("OriginalFilename", "libBrellox.so"), versionString("FileVersion", "1.00"),
    versionString("ProductVersion", "1.00"), versionString("OLESelfRegister", ""));
} // namespace
