// Argument conversions for Invoke.

#include "dispatch_args.h"

namespace brellox {

com::HRESULT textArgument(const com::Variant& arg, QString* out) {
    const com::Variant v = arg.dereferenced();
    if (v.isMissing())
        return com::DISP_E_PARAMNOTFOUND;
    return com::failed(v.toText(out)) ? com::DISP_E_TYPEMISMATCH : com::S_OK;
}

com::HRESULT objectArgument(const com::Variant& arg, const com::IID& iid, void** out) {
    *out = nullptr;
    const com::Variant v = arg.dereferenced();
    if (v.isMissing())
        return com::DISP_E_PARAMNOTFOUND;
    if (v.isEmpty() || (v.isObject() && !v.object()))
        return com::S_OK; // Nothing
    if (!v.isObject())
        return com::DISP_E_TYPEMISMATCH;
    return com::failed(v.object()->QueryInterface(iid, out)) ? com::DISP_E_TYPEMISMATCH : com::S_OK;
}

bool canReturnObject(const com::Variant& arg) {
    return !arg.isByRef() || arg.baseType() == com::VT_VARIANT || arg.baseType() == com::VT_UNKNOWN;
}

} // namespace brellox
