#pragma once
// The program-wide objects every window reaches back through: the one open
// database, the three table recordsets over Documents that start-up opens,
// the type position table, the editor's mode and result, and the query
// library object. They are plain inline globals because the program has one
// user-interface thread and exactly one of each; start-up (main window)
// assigns them, other windows read them. Costs nothing beyond the objects.
//
// Threading: touched only on the user-interface thread.

#include "store/database.h"
#include "store/recordset.h"

#include <QtGlobal>
#include <memory>
#include <vector>

namespace session::program {

/// The open register, opened by start-up and never closed explicitly.
inline store::Database dbMain;

/// Table recordsets over Documents with current index "RecordPtr",
/// "Description" and "Who"; opened by start-up, used by the detail panel
/// and the type-ahead fields.
inline store::RecordsetPtr rsRecordPtr;
inline store::RecordsetPtr rsDescription;
inline store::RecordsetPtr rsWho;

/// Type position table: element 0 is always 0, element k (1..n) the
/// RecordPtr of the k-th type by name after the latest FillTypeList. Grows
/// with the number of types; there is no upper limit.
inline std::vector<qint16> TypeRecordPtrs{0};

/// True while the editor adds a document, false while it changes one.
inline bool gAddMode = false;
/// The ID of the document the editor last added (32-bit signed).
inline qint32 gNewDocumentID = 0;

/// The query library object, created by the main window when Change or
/// Delete first needs it and kept until the end. Its type belongs to the
/// component layer, which this layer does not know, hence void.
inline std::shared_ptr<void> oAccess;

/// Drops every program-wide object (used between runs of a start-up in one
/// process, for example by tests and benchmarks).
inline void reset() {
    rsRecordPtr.reset();
    rsDescription.reset();
    rsWho.reset();
    dbMain = store::Database();
    TypeRecordPtrs.assign(1, 0);
    gAddMode = false;
    gNewDocumentID = 0;
    oAccess.reset();
}

} // namespace session::program
