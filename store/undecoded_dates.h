#pragma once
// The documents whose Date holds something that is no date: a text or a
// number another program stored in a register file in a form no date reads
// (see dialect::fromStoredDate). The program shows such values as stored and
// names these documents once when it opens the register.
//
// Cost: one pass over the list's own index (it carries Date). A server
// register's dates are of a date type, so there the answer is always empty
// and nothing is read.

#include "database.h"

#include <QList>

namespace store {

/// The IDs of those documents, in ID order; raises EngineError.
QList<qint64> documentsWithUndecodedDates(const Database& db);

} // namespace store
