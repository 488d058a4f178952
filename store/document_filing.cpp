// Filing a document (see document_filing.h).

#include "document_filing.h"

#include "document_history.h"
#include "engine_error.h"
#include "file_chunks.h"
#include "query.h"
#include "transaction.h"
#include "type_lookups.h"

#include <QRegularExpression>

namespace store {
namespace {

/// The ID typed, when it is a whole number of 32 bits (blanks around it
/// allowed), else nothing.
std::optional<qint32> wholeNumberID(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^ *-?[0-9]+ *$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint32 id = text.trimmed().toInt(&ok);
    return ok ? std::optional<qint32>(id) : std::nullopt;
}

/// Writes the entry into the pending row and records it; `handedOver` is
/// set once the engine has taken the row.
void writeEntry(Recordset& rs, const DocumentEntry& entry, qint32 id, qint64 recordPtr, bool adding,
                bool& handedOver) {
    const Database db = rs.database();
    const qint16 type = entry.type ? fnTypeRecordPtr(db, *entry.type) : qint16(0);
    // The document as it stands, for its history.
    const DocumentFields before = adding ? DocumentFields{} : storedDocumentFields(db, recordPtr);
    rs.setField(QStringLiteral("ID"), id);
    rs.setField(QStringLiteral("Description"), entry.description);
    rs.setField(QStringLiteral("Date"), *entry.date);
    rs.setField(QStringLiteral("DocumentType"), type);
    rs.setField(QStringLiteral("Who"), entry.who);
    rs.setField(QStringLiteral("Note"), entry.note);
    const DocumentFields after = documentFields(rs);
    rs.update();
    handedOver = true;
    const qint64 ptr = adding ? rs.lastModified() : recordPtr;
    if (adding)
        historyAdded(db, ptr, after);
    else
        historyChanged(db, ptr, before, after);
    // The files go and come in the same transaction as the document.
    for (const qint64 filePtr : entry.detach)
        files::detachFile(db, ptr, id, filePtr);
    for (const StagedFile& staged : entry.attach)
        files::attachStaged(db, ptr, id, staged);
}

} // namespace

bool idUsedByAnother(const Database& db, qint32 id, qint64 recordPtr) {
    using query::Op;
    query::Select q{QStringLiteral("Documents"), {QStringLiteral("RecordPtr")}};
    q.where({QStringLiteral("RecordPtr"), Op::NotEqual, recordPtr})
        .where({QStringLiteral("ID"), Op::Equal, id});
    const auto found = db.openRecordset(q, RecordsetType::Snapshot);
    return !(found->eof() && found->bof());
}

FilingResult fileDocument(Recordset& documents, const DocumentEntry& entry) {
    FilingResult result;
    const std::optional<qint32> id = wholeNumberID(entry.id);
    if (!id) {
        result.outcome = Filing::BadID;
        return result;
    }
    result.id = *id;
    bool adding = false;
    bool handedOver = false; // update() ran: the pending row is gone
    try {
        adding = documents.editMode() == EditMode::Adding;
        Transaction transaction(documents.database());
        const qint64 recordPtr =
            adding ? 0 : documents.field(QStringLiteral("RecordPtr")).toLongLong();
        if (idUsedByAnother(documents.database(), *id, recordPtr)) {
            result.outcome = Filing::DuplicateID;
        } else if (!entry.date) {
            result.outcome = Filing::BadDate;
        } else {
            writeEntry(documents, entry, *id, recordPtr, adding, handedOver);
            transaction.commit();
            result.outcome = Filing::Stored;
        }
        return result;
    } catch (const EngineError& e) {
        result.outcome = e.number() == err::RecordLocked ? Filing::HeldByOther : Filing::Failed;
        result.failure = e.text();
    }
    // The transaction was rolled back; if the row had been handed to the
    // engine, start it again so the entry can still be stored.
    if (handedOver) {
        try {
            if (adding)
                documents.addNew();
            else
                documents.edit();
        } catch (const EngineError&) {
            result.rowLost = true;
        }
    }
    return result;
}

} // namespace store
