// The main window's way to the query library (see query_library.h).

#include "query_library.h"

#include "platform/com/error_info.h"
#include "session/program_state.h"

namespace query_library {

namespace {
using AccessPtr = com::Ptr<brellox::_clsAccess>;
}

com::Ptr<brellox::_clsAccess> access(QString* why) {
    auto& held = session::program::oAccess;
    if (held)
        return *static_cast<AccessPtr*>(held.get());
    AccessPtr created;
    const com::HRESULT hr =
        com::CoCreateInstance(brellox::CLSID_clsAccess, brellox::IID_clsAccess, created.putVoid());
    if (com::failed(hr) || !created) {
        if (why)
            *why = com::describeFailure(hr);
        return {};
    }
    held = std::make_shared<AccessPtr>(created);
    return created;
}

bool fnAnyRecords(brellox::_clsAccess& library, const store::RecordsetPtr& list) {
    com::Ptr<brellox::IEngineRecordset> wrapped = brellox::wrapRecordset(list);
    brellox::IEngineRecordset* p = wrapped.get();
    com::VARIANT_BOOL any = com::VARIANT_FALSE;
    if (com::failed(library.fnAnyRecords(&p, &any)))
        return false;
    return any != com::VARIANT_FALSE;
}

} // namespace query_library
