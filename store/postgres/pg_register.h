#pragma once
// Opening and making server registers. A server register is the tables of
// one PostgreSQL database (in its current schema); the database itself is
// made by the server's administrator and owned by a user who may create
// tables in it (see the README).
//
// Making a register is one transaction: the collation, the tables, the
// indexes, and whatever the caller files into it (the first start's import
// of an older register), so the register appears whole or not at all.
// Several copies of the program starting on the same empty database wait
// for one another on an advisory lock; the first makes the register, the
// others find it made.
//
// A register of an earlier version is brought up to date under the same
// lock when its owner opens it, in one transaction: its texts get the
// database's own collation, the tables added since are made, and the
// server's rules (pg_rules.h) are installed; a view that reads the texts
// stops it with a message naming the view, and nothing changes. Other
// users work on with the register as it is until then.

#include "../connection.h"
#include "../database.h"

#include <functional>
#include <memory>

namespace store {

/// Opens the register in the database at `uri`; raises EngineError when
/// the server cannot be reached, the database holds no register yet, or it
/// holds something else.
std::shared_ptr<Connection> openServerRegister(const QString& uri);

/// Makes the register in the empty database at `uri`; raises EngineError
/// when the database holds tables already.
std::shared_ptr<Connection> createServerRegister(const QString& uri);

/// Opens the register at `uri`, making it first when the database holds
/// no tables at all; `fill` then runs on the new register inside the
/// making. `made` tells whether this call made it.
std::shared_ptr<Connection>
openOrMakeServerRegister(const QString& uri, const std::function<void(const Database&)>& fill,
                         bool* made);

} // namespace store
