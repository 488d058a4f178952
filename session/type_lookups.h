#pragma once
// Type lookups as the windows use them: a type list filled into a window's
// list control, and the forms of store/type_lookups.h that take no
// Database, over the program's open register (program::dbMain) and its
// position table program::TypeRecordPtrs, which the main window's filter
// reads. Engine errors pass to the caller.

#include "store/type_lookups.h"

#include <QString>
#include <QtGlobal>
#include <vector>

namespace session {

/// The members of a list control that FillTypeList uses. Windows adapt
/// their combo or list boxes to it.
class TypeListTarget {
public:
    virtual ~TypeListTarget() = default;
    virtual void clear() = 0;
    virtual void addItem(const QString& text) = 0;
    /// The selected position, -1 for none.
    virtual int selectedIndex() const = 0;
    /// Selects a position; the control raises its own selection
    /// notification, as a user's choice would.
    virtual void setSelectedIndex(int index) = 0;
};

/// Refills pList with the type names in name order (trailing blanks
/// removed), after "ALL" when pIncludeAll, and rebuilds pRecordPtrs: element
/// 0 is 0, element k the number of the k-th type. Selects position 0 when
/// the list has no selection and is not empty. On an engine error the list
/// and the table are left as they were.
void FillTypeList(const store::Database& db, TypeListTarget& pList, bool pIncludeAll,
                  std::vector<qint16>& pRecordPtrs);
/// The same on the open register, into program::TypeRecordPtrs.
void FillTypeList(TypeListTarget& pList, bool pIncludeAll);

/// store::fnTypeName on the open register.
QString fnTypeName(qint16 pTypeRecordPtr);

/// store::fnTypeRecordPtr on the open register.
qint16 fnTypeRecordPtr(const QString& pType);

} // namespace session
