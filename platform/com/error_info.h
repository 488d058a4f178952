#pragma once
// The thread's last error: a routine that fails records here what went wrong
// (its code, the library's own error number, where it came from and a text a
// user can read) before it returns its failure code, and the caller that got
// the failure takes it from here to show it. One record per thread, as
// objects live on the thread that made them; a new record replaces the old.
//
// Cost: a thread_local record in this library; setting or taking it copies
// two short strings.

#include "result.h"

#include <QString>
#include <optional>

namespace com {

struct ErrorInfo {
    HRESULT code = S_OK; ///< the failure code the routine returned
    int number = 0;      ///< the library's own error number (e.g. 3078), 0 if none
    QString source;      ///< who raised it: a ProgID or library name
    QString description; ///< the text to show
};

/// Records the thread's last error.
void setErrorInfo(ErrorInfo info);
/// Forgets the thread's last error.
void clearErrorInfo();
/// The thread's last error, which is then forgotten (like the platform's
/// GetErrorInfo); nothing if none was recorded since the last take or clear.
std::optional<ErrorInfo> takeErrorInfo();
/// The thread's last error without forgetting it.
std::optional<ErrorInfo> peekErrorInfo();

/// Records an error and returns its code, for `return raiseError(...)`.
HRESULT raiseError(HRESULT code, const QString& source, const QString& description, int number = 0);

/// The text to show for a failure just returned on this thread: the
/// recorded description when it belongs to `hr`, else resultText(hr).
QString describeFailure(HRESULT hr);

} // namespace com
