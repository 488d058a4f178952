#pragma once
// Filing a document: the editor's Update as one engine operation. The
// entry's values are checked (the ID is a whole number of 32 bits, no
// other document has it, the date is a date, in that order) and stored
// into the recordset's pending row (a new row being added, or the current
// row being changed) together with its history entry, in one write
// transaction on the recordset's database: no other user can file the
// same ID in between, and a change is never stored without its entry. The
// history is written here on a register file and by the server's own rules
// on a server register (see document_history.h).
//
// A refused or failed filing leaves everything stored as it was and the
// row pending, so the same entry can be filed again once corrected: when
// the engine had already taken the row, it is started again.
//
// Cost: one query (the duplicate test), one type lookup, one read of the
// stored document for a change's history, and one write, holding the
// register's write lock only for those.

#include "document_files.h"
#include "recordset.h"

#include <QDate>
#include <QString>
#include <optional>

namespace store {

/// A document's values as the user entered them.
struct DocumentEntry {
    QString id; ///< as typed; blanks around the number are allowed
    QString description;
    std::optional<QString> type; ///< the type's name; nothing for no type
    std::optional<QDate> date;   ///< nothing when what was typed is no date
    QString who;
    QString note;
    /// Files to attach with this filing (staged already), and the FilePtr
    /// of files of the document to remove; both in the same transaction,
    /// each with its history entry.
    std::vector<StagedFile> attach;
    std::vector<qint64> detach;
};

/// What came of filing a document.
enum class Filing {
    Stored,
    BadID,       ///< the ID is not a whole number of 32 bits
    DuplicateID, ///< another document has the ID
    BadDate,     ///< the entry holds no date
    HeldByOther, ///< another user holds the row; `failure` says so
    Failed,      ///< the engine failed; `failure` says why
};

struct FilingResult {
    Filing outcome = Filing::Failed;
    qint32 id = 0;        ///< the ID stored
    QString failure;      ///< the engine's text, for HeldByOther and Failed
    bool rowLost = false; ///< the pending row was dropped and could not be started again
};

/// Checks `entry` and stores it into the pending row of `documents` (a
/// recordset over Documents in AddNew or Edit), with its history entry.
/// Never raises: every failure is an outcome.
FilingResult fileDocument(Recordset& documents, const DocumentEntry& entry);

/// True when another document than the one numbered `recordPtr` (0: any
/// document) has the ID `id`. Raises EngineError.
bool idUsedByAnother(const Database& db, qint32 id, qint64 recordPtr);

} // namespace store
