#pragma once
// Type lookups shared by every window: the blank test, a type's name from
// its number and its number from its name, and the list of every type with
// the position table that maps list positions to type numbers. Each
// lookup opens a fresh dynaset over Types and searches it, so a type added
// a moment ago is always found; with 500 types a lookup costs well under a
// millisecond (bench/startup_bench).
//
// Type numbers are 16-bit signed (the RecordPtr of a Types row). A
// RecordPtr outside that range raises EngineError(ConversionError) rather
// than being cut down to another type's number.
//
// Engine errors pass to the caller.

#include "database.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace store {

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

/// Every type in name order: its name (trailing blanks removed) and its
/// number. recordPtrs[0] is 0 and recordPtrs[k] the number of names[k-1],
/// the position table a type list with "ALL" first uses.
struct TypeList {
    QStringList names;
    std::vector<qint16> recordPtrs;
};
TypeList typeList(const Database& db);

} // namespace store
