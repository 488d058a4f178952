#pragma once
// The history of each document: every Add, Change and Delete the program
// makes, recorded in the register's table DocumentHistory in the same
// transaction as the change itself, so that a change is never stored
// without its entry nor an entry without its change. An Add and a Delete
// are one entry each (the description as the new or the old value); a
// Change is one entry per field whose value changed, the type among them.
// Entries carry the time, the user's login and computer names, the
// document's RecordPtr and ID, the action ("Added", "Changed", "Deleted"),
// the field, and the old and new values as text: the type by its name,
// dates as m/d/yyyy, Null as Null. A file attached to a document or
// removed from it is one entry ("File attached", "File removed"; the field
// "File", the value its name, size and SHA-256). Documents filed by the import of an
// older register or by copying a register get no entries. A register that
// records the history itself (a server's, see postgres/pg_rules.h) writes
// the same rows with the server's own user and time; the functions below
// then write nothing.
//
// Use: inside the Transaction that stores the document (a Delete inside
// one of its own). Cost: one statement of up to seven rows per change.

#include "database.h"

#include <QString>
#include <QVariant>

namespace store {

class Recordset;

/// A document's fields as the history compares them.
struct DocumentFields {
    QVariant id;
    QVariant description;
    qint16 type = 0; ///< the type's RecordPtr, 0 for none
    QVariant date;
    QVariant who;
    QVariant note;
};

/// The fields of the recordset's current row (or of its pending row while
/// it is being edited).
DocumentFields documentFields(const Recordset& rs);
/// The fields of the document `recordPtr` as stored (all Null when there
/// is none): what a Change is compared with, also when an earlier try to
/// store the same edit failed and left its values pending.
DocumentFields storedDocumentFields(const Database& db, qint64 recordPtr);

/// Records the Add, Change or Delete of the document `recordPtr`; raises
/// EngineError, which makes the caller's transaction roll back.
void historyAdded(const Database& db, qint64 recordPtr, const DocumentFields& now);
void historyChanged(const Database& db, qint64 recordPtr, const DocumentFields& before,
                    const DocumentFields& after);
void historyDeleted(const Database& db, qint64 recordPtr, const DocumentFields& gone);
/// A file as its history entry shows it: "name (size bytes, SHA-256 hash)".
QString historyFileText(const QString& name, qint64 size, const QString& sha256);
/// Records a file attached to the document or removed from it; `shown`
/// is its historyFileText().
void historyFile(const Database& db, qint64 recordPtr, const QVariant& id, bool attached,
                 const QString& shown);
/// Records the removal of each file the document holds, for a Delete:
/// called before the document is deleted, which takes its files with it.
void historyFilesGoing(const Database& db, qint64 recordPtr);

} // namespace store
