// Files attached to a stored document as it is (see document_attach.h).

#include "document_attach.h"

#include "engine_error.h"
#include "file_chunks.h"
#include "query.h"
#include "recordset.h"
#include "transaction.h"

namespace store {

void attachToDocument(const Database& db, qint64 recordPtr, const std::vector<StagedFile>& files) {
    query::Select q{QStringLiteral("Documents")};
    q.where({QStringLiteral("RecordPtr"), query::Op::Equal, recordPtr});
    const auto document = db.openRecordset(q, RecordsetType::Dynaset);
    if (document->eof())
        throw EngineError(err::ItemNotFound,
                          QStringLiteral("The document was deleted by another user."));
    // The row's reservation keeps another user's change of the document
    // (and of its files) apart from this one; nothing of the row is
    // written, and the pending edit is dropped at the end.
    document->edit();
    try {
        const QVariant id = document->field(QStringLiteral("ID"));
        Transaction transaction(db);
        for (const StagedFile& f : files)
            files::attachStaged(db, recordPtr, id, f);
        transaction.commit();
    } catch (...) {
        document->cancelUpdate();
        throw;
    }
    document->cancelUpdate();
}

} // namespace store
