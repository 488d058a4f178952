#pragma once
// Opening and making register files. Opening never creates a file and
// checks, before SQLite is asked, what a user can be told plainly: that the
// file is missing, is a folder, or cannot be read. A register is opened for
// writing where this user may write the file and its folder (SQLite's
// journal and the lock file are made there); otherwise, or when SQLite
// cannot open it for writing, it is opened read only, without reservations
// and without a lock file. A register of an earlier build is converted on
// the way (schema_upgrade.h) by a user who may write it.

#include "../connection.h"
#include "../register.h"

#include <QString>
#include <memory>

namespace store {

/// Opens an existing register file; raises EngineError. `progress` is told
/// how the conversion of an earlier register goes.
std::shared_ptr<Connection> openRegisterFile(const QString& fileName,
                                             const OpenProgress& progress = {});

/// Creates a new, empty register file with the schema; raises EngineError
/// if the file exists or cannot be written.
std::shared_ptr<Connection> createRegisterFile(const QString& fileName);

} // namespace store
