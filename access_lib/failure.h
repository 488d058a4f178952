#pragma once
// How Brellox's routines report a failure: the code goes back as the
// routine's HRESULT, and the error number and text go into the thread's
// error info (platform/com/error_info.h), with the library's ProgID as
// source. An engine error keeps the engine's number and text (3078 "The
// Microsoft Jet database engine cannot find ..." style); the few errors the
// library raises itself use the automation runtime's numbers.

#include "platform/com/result.h"

#include <QString>

namespace brellox {

/// Error numbers the library raises itself.
inline constexpr int TypeMismatch = 13; ///< a clause that has no text form
inline constexpr int ObjectNotSet = 91; ///< a database argument referring to nothing

/// Records error `number` with `text` and returns its code
/// (com::controlErrorResult(number)).
com::HRESULT raiseNumbered(int number, const QString& text);

/// Inside a catch block: turns the exception being handled into a failure
/// code with error info. store::EngineError keeps its number and text; an
/// out-of-memory is E_OUTOFMEMORY; anything else E_FAIL with its text.
com::HRESULT failFromCurrentException();

} // namespace brellox
