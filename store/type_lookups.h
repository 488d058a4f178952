#pragma once
// Type lookups shared by every window: the blank test, a type's name from
// its number and its number from its name, and the filling of a type list
// together with the position table that maps list positions to type
// numbers. Each lookup opens a fresh dynaset over Types and searches it, so
// a type added a moment ago is always found; with 500 types a lookup costs
// well under a millisecond (bench/startup_bench).
//
// Type numbers are 16-bit signed (the RecordPtr of a Types row). A
// RecordPtr outside that range raises EngineError(ConversionError) rather
// than being cut down to another type's number.
//
// Engine errors pass to the caller. The program-wide forms, over the open
// register, are session/type_lookups.h.

#include "database.h"

#include <QString>
#include <QtGlobal>
#include <vector>

namespace store {

/// The three members of a list control that FillTypeList uses. Windows
/// adapt their combo or list boxes to it.
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

/// True when pText is empty once leading and trailing spaces are removed
/// (the space character only).
bool fnIsBlank(const QString& pText);

/// The stored name (untrimmed) of the type numbered pTypeRecordPtr; the
/// empty text when there is none.
QString fnTypeName(const Database& db, qint16 pTypeRecordPtr);

/// The number of the first type named exactly pType (compared as the
/// register compares text, without regard to case); 0 when there is none.
/// Quotes in the name are fine.
qint16 fnTypeRecordPtr(const Database& db, const QString& pType);

/// Refills pList with the type names in name order (trailing blanks
/// removed), after "ALL" when pIncludeAll, and rebuilds pRecordPtrs: element
/// 0 is 0, element k the number of the k-th type. Selects position 0 when
/// the list has no selection and is not empty.
void FillTypeList(const Database& db, TypeListTarget& pList, bool pIncludeAll,
                  std::vector<qint16>& pRecordPtrs);

} // namespace store
