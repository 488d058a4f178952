#pragma once
// The component registry files: where the user's is, reading them, and
// changing them safely while other processes may do the same.
//
// Location: $TOLVANE_COM_REGISTRY if set (tests point it at a private file),
// else $XDG_CONFIG_HOME/tolvane/com-registry, else
// ~/.config/tolvane/com-registry. The location is looked up on every call, so
// a change of the environment takes effect at once.
//
// Reading takes no lock: every change replaces the whole file by a rename,
// so a reader sees the old or the new file, never a mix. A change is a
// read-modify-write under a lock file beside the registry (<file>.lock),
// so two registrations at once both land. A missing file reads as an empty
// registry. Cost: each read parses the whole (small) file.
//
// Changes go to the user's registry unless the process chose the
// machine-wide one (machine_registry.h), as `regsvr -m` does before it
// calls a library's own registration.

#include "registry_tree.h"
#include "result.h"

#include <QString>
#include <functional>

namespace com {

/// The user's registry file this process uses now.
QString registryFilePath();

/// Which registry editRegistry() changes in this process.
enum class RegistryScope { User, Machine };
void setEditScope(RegistryScope scope);

/// Reads the registry file at `path`, like readRegistry().
HRESULT readRegistryFile(const QString& path, RegistryTree* tree);

/// Reads the user's registry. REGDB_E_READREGDB if the file exists but cannot be
/// read; a missing file gives an empty tree and S_OK.
HRESULT readRegistry(RegistryTree* tree);

/// Reads the registry of the edit scope, lets `change` edit it, and writes
/// it back, all under the lock. If `change` returns a failure nothing is
/// written and that code is returned. REGDB_E_WRITEREGDB if the lock is not
/// had within a few seconds, the file cannot be written, or the scope is
/// the machine and this installation has no machine-wide registry. The
/// machine-wide file is left readable by everybody, whatever the umask.
HRESULT editRegistry(const std::function<HRESULT(RegistryTree&)>& change);

} // namespace com
