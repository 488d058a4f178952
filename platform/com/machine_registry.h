#pragma once
// The machine-wide component registry: one registry file for every user of
// an installation, written as root by `regsvr -m` (the Debian package's
// install scripts do so) and read by activation after the user's own, so
// that a class registered there works for everybody at once while a user's
// own registration of the same class still wins.
//
// Location: $TOLVANE_COM_MACHINE_REGISTRY if set (tests point it at a
// private file), else the place the installation's prefix calls for, found
// from where this library lies (PREFIX/<libdir>):
//
//   /usr (or /)      /var/lib/tolvane/com-registry
//   /opt/NAME        /var/opt/NAME/lib/tolvane/com-registry
//   any other PREFIX PREFIX/var/lib/tolvane/com-registry
//
// The build tree is laid out like an installation under the build folder
// (BUILD/lib/tolvane), so its machine-wide registry is
// BUILD/var/lib/tolvane/com-registry, where the build registers its servers.
// A library that lies in no installation has no machine-wide registry:
// reads find nothing and changes are refused. The file has the per-user
// registry's format and locking (registry_file.h).

#include "result.h"

#include <QString>
#include <optional>

namespace com {

/// The machine-wide registry file this process uses; empty for none.
QString machineRegistryFilePath();

/// The machine-wide registry of an installation whose libraries lie in
/// `libraryFolder`, `installLibDir` being their folder below the prefix
/// ("lib/tolvane"); empty if `libraryFolder` is not such a folder.
QString machineRegistryPathFor(const QString& libraryFolder, const QString& installLibDir);

/// The default value of `key` as activation sees it: the user's registry
/// where it has the key, else the machine-wide one. *value is empty when
/// neither has it. REGDB_E_READREGDB if a registry that had to be read
/// exists but cannot be read.
HRESULT registeredValue(const QString& key, std::optional<QString>* value);

/// The default value of `key` in the machine-wide registry alone, as
/// registeredValue().
HRESULT machineRegisteredValue(const QString& key, std::optional<QString>* value);

} // namespace com
