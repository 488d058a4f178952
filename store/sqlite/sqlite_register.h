#pragma once
// Opening and making register files. Opening never creates a file and
// checks, before SQLite is asked, what a user can be told plainly: that the
// file is missing, is a folder, or cannot be written (a register is always
// opened for writing, and SQLite's journal needs the folder writable too).
// A register of an earlier build is converted on the way (schema_upgrade.h).

#include "../connection.h"

#include <QString>
#include <memory>

namespace store {

/// Opens an existing register file; raises EngineError.
std::shared_ptr<Connection> openRegisterFile(const QString& fileName);

/// Creates a new, empty register file with the schema; raises EngineError
/// if the file exists or cannot be written.
std::shared_ptr<Connection> createRegisterFile(const QString& fileName);

} // namespace store
