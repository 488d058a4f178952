#pragma once
// Loading server libraries. A library is loaded once per process (by its
// resolved absolute path, RTLD_NOW | RTLD_LOCAL) and then kept loaded until the
// process ends, so that objects and class objects it made stay valid no
// matter who still holds them. Thread-safe.

#include "result.h"

#include <QString>

namespace com {

/// Loads (or finds already loaded) the library at the absolute `path`, once
/// it is trusted (library_trust.h). Failures record error info:
/// ERROR_MOD_NOT_FOUND_RESULT for a missing file, E_ACCESSDENIED for a
/// library refused as untrusted, ERROR_BAD_EXE_FORMAT_RESULT for a file the
/// loader refuses (with its reason: not a library, a missing dependency, ...).
HRESULT loadLibrary(const QString& path, void** handle);

/// An exported symbol of a loaded library, or nullptr.
void* librarySymbol(void* handle, const char* name);

/// The absolute path of the loaded file (library or program) that contains
/// `address`; empty if none does. A library uses it with the address of one
/// of its own functions to learn where it was loaded from.
QString modulePathOf(const void* address);

} // namespace com
