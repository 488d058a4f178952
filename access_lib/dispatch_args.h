#pragma once
// Reading Invoke arguments into the types the routines take. Arguments come
// by value or by reference (VT_BYREF), possibly through a by-reference
// Variant; all are read through their references first. A required
// argument passed as the "omitted" marker is DISP_E_PARAMNOTFOUND; one of a
// type that does not fit is DISP_E_TYPEMISMATCH.

#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"

#include <QString>

namespace brellox {

/// A text argument: any value with a text form.
com::HRESULT textArgument(const com::Variant& arg, QString* out);

/// An object argument offering `iid`: an object, or Empty / a reference to
/// nothing (out stays empty).
/// *out receives the interface `iid` (with a reference) or nullptr.
com::HRESULT objectArgument(const com::Variant& arg, const com::IID& iid, void** out);

template <class T>
com::HRESULT objectArgument(const com::Variant& arg, const com::IID& iid, com::Ptr<T>* out) {
    return objectArgument(arg, iid, out->putVoid());
}

/// Whether an object can be written back through `arg`: true for a value
/// (nothing is written) and for Variant and IUnknown slots.
bool canReturnObject(const com::Variant& arg);

} // namespace brellox
