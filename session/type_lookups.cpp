// Type lookups as the windows use them (see type_lookups.h).

#include "type_lookups.h"

#include "program_state.h"

namespace session {

void FillTypeList(const store::Database& db, TypeListTarget& pList, bool pIncludeAll,
                  std::vector<qint16>& pRecordPtrs) {
    store::TypeList types = store::typeList(db);
    pList.clear();
    if (pIncludeAll)
        pList.addItem(QStringLiteral("ALL"));
    for (const QString& name : types.names)
        pList.addItem(name);
    pRecordPtrs = std::move(types.recordPtrs);
    if (pList.selectedIndex() < 0 && (pIncludeAll || !types.names.isEmpty()))
        pList.setSelectedIndex(0);
}

void FillTypeList(TypeListTarget& pList, bool pIncludeAll) {
    FillTypeList(program::dbMain, pList, pIncludeAll, program::TypeRecordPtrs);
}

QString fnTypeName(qint16 pTypeRecordPtr) {
    return store::fnTypeName(program::dbMain, pTypeRecordPtr);
}

qint16 fnTypeRecordPtr(const QString& pType) {
    return store::fnTypeRecordPtr(program::dbMain, pType);
}

} // namespace session
