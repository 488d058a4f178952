#pragma once
// The backend of register files (see ../backend.h): a register is an SQLite
// file with its journal and its lock file beside it, made from the empty
// template on the first start and backed up with SQLite's online backup.

#include "../backend.h"

namespace store {

const Backend& registerFileBackend();

} // namespace store
