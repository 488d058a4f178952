#pragma once
// ConvertLegacyFiles files the earlier release's register (Document.DBF
// and Document.DBT in a folder) into a register database: one Documents row
// per live legacy record, one Types row per type name the database does not
// know yet. Everything is filed in ONE transaction, so the database holds
// either the whole import or nothing of it, also when the process is
// killed half-way.
//
// Start-up uses it on a database it has just made from the template under a
// temporary name: open it, ConvertLegacyFiles(db, folder, &window), and
// only on success give it its final name; on LegacyError remove the
// temporary file and show error.text(). The legacy files are only read.
//
// Cost: about 2 s of processor time for 10^5 records with notes (see
// bench/legacy_bench.cpp); each distinct type name is looked up in the
// database once and then remembered; the memo file is held in memory.

#include "legacy_parser.h"
#include "store/database.h"

#include <QString>
#include <QStringList>

namespace legacy {

/// What the import reports while it works. Called on the calling thread;
/// the "Converting" window implements it.
class LegacyProgress {
public:
    virtual ~LegacyProgress() = default;
    /// Before the legacy files are opened.
    virtual void begin() {}
    /// Every so many filed documents; `filed` counts them so far.
    virtual void step(int filed) { (void)filed; }
    /// After the last record was filed, before the transaction commits.
    virtual void committing() {}
    /// When the import ends, whether it succeeded or failed.
    virtual void end() {}
};

/// Documents filed between two LegacyProgress::step calls.
inline constexpr int ProgressEvery = 1000;

/// The outcome of a successful import.
struct LegacyImportResult {
    LegacyScan scan;      ///< what was read: announced, found, deleted, filed
    int typesCreated = 0; ///< new Types rows
    QStringList warnings; ///< texts for the user (a short table, lost notes)
};

/// Imports the legacy register in `folder` into `db` (see above). Raises
/// LegacyError, with a text naming the file and what to do, when the files
/// cannot be read, the table header is damaged, or the database refuses a
/// row; the database is then left as it was. A table shorter than its
/// header announces is no error: what is there is filed and a warning says
/// how many records were announced and found.
LegacyImportResult ConvertLegacyFiles(const store::Database& db,
                                      const QString& folder = QStringLiteral("."),
                                      LegacyProgress* progress = nullptr);

} // namespace legacy
