#pragma once
// The type lookups over the program's open register: the forms of
// store/type_lookups.h that take no Database use program::dbMain, and the
// type list fills program::TypeRecordPtrs, the table the main window's
// filter reads. Engine errors pass to the caller.

#include "store/type_lookups.h"

#include <QString>
#include <QtGlobal>

namespace session {

/// store::fnTypeName on the open register.
QString fnTypeName(qint16 pTypeRecordPtr);

/// store::fnTypeRecordPtr on the open register.
qint16 fnTypeRecordPtr(const QString& pType);

/// Refills pList from the open register and rebuilds
/// program::TypeRecordPtrs (see store::FillTypeList).
void FillTypeList(store::TypeListTarget& pList, bool pIncludeAll);

} // namespace session
