#pragma once
// The main window's way to the query library: the program-wide clsAccess
// object oAccess, created by class identity (through the component
// registry, never by linking the library) the first time Change or Delete
// needs it and kept until the program ends, and fnAnyRecords asked through
// its interface with the list's recordset.
//
// Creation loads libBrellox.so once (milliseconds); each question after
// that is one call through the interface.

#include "access_lib/brellox.h"

#include <QString>

namespace query_library {

/// oAccess, created now if it does not exist yet. On failure returns null
/// and puts the reason, for the user, into `why`; the next call tries
/// again (after the library is registered, say).
com::Ptr<brellox::_clsAccess> access(QString* why);

/// The library's answer for `list`: true when it is on a row. False too
/// when the call itself fails.
bool fnAnyRecords(brellox::_clsAccess& library, const store::RecordsetPtr& list);

} // namespace query_library
