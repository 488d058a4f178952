#pragma once
// Backing up a register while its users go on working: a copy of the whole
// register at one moment, written into a register file that the program
// (or any SQLite tool) opens as it is, whether the register is a file or
// a server database.
//
// The copy is made under a temporary name beside the chosen file, with
// every file the documents hold: a register file in phases
// (sqlite/sqlite_backup.h): the stored files' chunks in short reads, then
// the rest in one short transaction, so other users' changes never wait
// for the files' bytes to be copied; a server register row by row from one
// snapshot into a new register file (store::copyRegister, which compares
// every field and checks every stored file's hash before it stores).
// Documents being changed meanwhile are in the copy as they were last
// stored; no reservation and no lock file goes with it. Before the copy
// gets its name it is opened as a register and checked: SQLite's integrity
// check says "ok" and every table holds as many rows as the source held at
// the moment copied, and every stored file in it matches its size and
// SHA-256. Only then is it flushed and named, in one step, so the
// chosen name holds the whole checked backup or is left as it was.
//
// Cost for a register file of 10^5 documents (145 MB): the copy (others'
// writes wait only for its second phase), the integrity check and row
// counts of the copy, a read of every stored file for its hash, and one
// flush (bench/backup_bench.cpp; bench/files_bench.cpp for one with 10^5
// files).

#include "database.h"

#include <QString>

namespace store {

/// What to do when the chosen file exists already.
enum class ExistingBackup {
    Replace, ///< the checked backup takes its place (a save dialog asked the user)
    Refuse,  ///< nothing is written and the file is left as it was
};

struct BackupOutcome {
    QString file;         ///< the backup's absolute file name
    qint64 documents = 0; ///< documents in the backup
    qint64 types = 0;     ///< document types in the backup
};

/// Writes a checked backup of the register `source` into the register file
/// `file`. Refuses a file that is the source register itself (or its
/// journal or lock file), a folder, or a file in a folder that does not
/// exist. Raises EngineError naming the file and the cause; then no file
/// of the backup's is left behind, and an existing `file` is as it was.
BackupOutcome backUpRegister(const Database& source, const QString& file,
                             ExistingBackup existing = ExistingBackup::Replace);

} // namespace store
