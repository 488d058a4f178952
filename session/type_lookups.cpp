// The type lookups over the open register (see type_lookups.h).

#include "type_lookups.h"

#include "program_state.h"

namespace session {

QString fnTypeName(qint16 pTypeRecordPtr) {
    return store::fnTypeName(program::dbMain, pTypeRecordPtr);
}

qint16 fnTypeRecordPtr(const QString& pType) {
    return store::fnTypeRecordPtr(program::dbMain, pType);
}

void FillTypeList(store::TypeListTarget& pList, bool pIncludeAll) {
    store::FillTypeList(program::dbMain, pList, pIncludeAll, program::TypeRecordPtrs);
}

} // namespace session
