#pragma once
// The backend of server registers (see ../backend.h): a register is the
// tables of one PostgreSQL database, made in one transaction on the first
// start (pg_register.h) and backed up row by row from one snapshot.

#include "../backend.h"

namespace store {

const Backend& serverBackend();

} // namespace store
