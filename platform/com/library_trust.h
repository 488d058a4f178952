#pragma once
// Whether a library file may be loaded into this process: the registries
// name libraries by path, and whoever can change that file, or any folder
// above it, could make this program run their code. A library is trusted
// when its path is absolute and the file and every folder above it (after
// symbolic links are resolved) belong to root or to the user running the
// program, and none of them can be written by its group or by others. A
// folder with the sticky bit (/tmp) may be writable by all, since others
// cannot rename or remove what they do not own in it.

#include "result.h"

#include <QString>

namespace com {

/// S_OK with the library's resolved path in *resolved, or a failure with
/// error info saying why: ERROR_MOD_NOT_FOUND_RESULT for a file that is not
/// there (or not a file), E_ACCESSDENIED for a relative path, a file or
/// folder owned by another user or writable by others.
HRESULT trustedLibraryPath(const QString& path, QString* resolved);

} // namespace com
