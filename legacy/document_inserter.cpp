// Filing imported documents; see document_inserter.h.

#include "document_inserter.h"

namespace legacy {

DocumentInserter::DocumentInserter(const store::Database& db)
    : documents_(db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table)) {}

void DocumentInserter::insert(const LegacyDocument& doc, int documentType) {
    store::Recordset& rs = *documents_;
    rs.addNew();
    rs.setField(QStringLiteral("ID"), doc.id);
    rs.setField(QStringLiteral("Description"), doc.description);
    rs.setField(QStringLiteral("Date"), doc.date);
    rs.setField(QStringLiteral("DateAdded"), doc.dateAdded);
    rs.setField(QStringLiteral("DateChanged"), doc.dateChanged);
    rs.setField(QStringLiteral("DocumentType"), documentType);
    rs.setField(QStringLiteral("Who"), doc.who);
    rs.setField(QStringLiteral("Note"), doc.note);
    rs.update();
}

} // namespace legacy
