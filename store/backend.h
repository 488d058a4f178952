#pragma once
// Backend: what differs between the kinds of register, the register file
// (store/sqlite) and the server register (store/postgres), for the engine
// code that opens, makes and backs up registers. backendFor() chooses one
// by the register's location; it is the one place that tells the kinds
// apart by their names, and an open connection names its own (see
// Connection::backend()). Internal to the engine layer.

#include "database.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

namespace store {

class Connection;
struct RegisterSetup;
struct FileIdentity;
struct BackupOutcome;

/// Each table of a register with its row count at one moment.
using TableRows = std::vector<std::pair<QString, qint64>>;

class Backend {
public:
    virtual ~Backend() = default;

    /// True when a register is a file (with files of its own beside it),
    /// false when it lives on a server.
    virtual bool isFile() const = 0;
    /// The location as it may be shown or logged (see shownLocation()).
    virtual QString shownLocation(const QString& location) const { return location; }

    /// Opens an existing register, bringing the schema of an earlier
    /// build up to date where its user may (see Database::open).
    virtual std::shared_ptr<Connection> open(const QString& location) const = 0;
    /// Makes a new, empty register with the schema (see Database::create).
    virtual std::shared_ptr<Connection> create(const QString& location) const = 0;
    /// Opens the register, making it first where it is missing (see
    /// openRegister()).
    virtual Database openOrMake(const QString& location, const RegisterSetup& setup,
                                bool* made) const = 0;
    /// Removes what starts killed part way left beside the register;
    /// never raises.
    virtual void clearStartLeftovers(const QString&) const {}

    /// Every file the register file `file` (its real name) uses: itself,
    /// its journal, its lock file. None for a register on a server.
    virtual QStringList filesOf(const QString&) const { return {}; }

    /// Copies the register open as `source` into the register file `temp`,
    /// made here (`made` tells which file was made), as one moment; the
    /// row count of every table in that moment. By default a new register
    /// file with the schema and every row from one snapshot, compared
    /// field by field before it is stored.
    virtual TableRows backUp(const Database& source, const QString& temp, FileIdentity& made) const;

    /// Stores a backup of `source`, a register of any kind, as `target` in
    /// this backend's own form, already checked to be a place for one (see
    /// backUpRegister()): whole and checked, or not at all. Only the
    /// backend of register files stores backups; others raise NotSupported.
    virtual BackupOutcome storeBackup(const Database& source, const QString& target,
                                      bool replace) const;
};

/// The backend of the register at `location`: the server's for a
/// PostgreSQL connection URI, the register file's otherwise.
const Backend& backendFor(const QString& location);

/// The backend backups are stored by: every backup is a register file,
/// whatever the kind of register backed up.
const Backend& backupBackend();

} // namespace store
