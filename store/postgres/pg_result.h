#pragma once
// The owner of a libpq result: every result the server gives the program
// is held by a PgResult from the moment it arrives, and cleared (PQclear)
// when its owner goes, also when an error unwinds the stack.

#include <libpq-fe.h>
#include <memory>

namespace store {

struct ResultClear {
    void operator()(pg_result* r) const noexcept { PQclear(r); }
};

using PgResult = std::unique_ptr<pg_result, ResultClear>;

} // namespace store
