#pragma once
// The program's register at start-up: opened where it is, or made on the
// first start, with the older dBase register filed into it before anyone
// else can see it.
//
// A register file (Veld.MDB in a folder) is made by copying the empty
// template VeldDef.MDB under a temporary name, filling it, and giving it
// its final name in one step (sqlite/template_copy.h); a server register
// is made in one transaction (postgres/pg_register.h). Either way the
// register appears whole or not at all, also when several copies of the
// program start at once or a start is killed half-way.

#include "database.h"

#include <QString>
#include <functional>

namespace store {

/// Told now and then how far long work on a register being opened has
/// come (the text index an earlier register gains): `done` of `total`,
/// ending with done == total. Runs on the opening thread, inside the
/// work's transaction: it must not use the register.
using OpenProgress = std::function<void(qint64 done, qint64 total)>;

struct RegisterSetup {
    /// A register file's empty template; needed only to make a file.
    QString templateFile;
    /// Runs on a register this call makes, before it is seen by anyone
    /// else; what it raises undoes the making and is passed on.
    std::function<void(const Database&)> fill;
    /// Told the progress of bringing an earlier register up to date, where
    /// that takes long; may be empty.
    OpenProgress progress;
};

/// Opens the register at `location` (a file name or a server URI), making
/// it first when the file is missing or the server database holds no
/// tables. Raises EngineError naming the register and the cause; a missing
/// template raises err::FileNotFound. `made`, when given, tells whether
/// this call made the register.
Database openRegister(const QString& location, const RegisterSetup& setup, bool* made = nullptr);

/// True when the register at `location` would have to be made: the file
/// does not exist. (A server database is looked at only when opened.)
bool registerFileMissing(const QString& location);

/// Removes what starts killed part way left beside a register file (a
/// temporary copy, its lock file). Nothing for a server. Never raises.
void clearStartLeftovers(const QString& location);

} // namespace store
