// The per-thread last-error record of error_info.h.

#include "error_info.h"

namespace com {

namespace {
thread_local std::optional<ErrorInfo> tLastError;
} // namespace

void setErrorInfo(ErrorInfo info) {
    tLastError = std::move(info);
}

void clearErrorInfo() {
    tLastError.reset();
}

std::optional<ErrorInfo> takeErrorInfo() {
    std::optional<ErrorInfo> info = std::move(tLastError);
    tLastError.reset();
    return info;
}

std::optional<ErrorInfo> peekErrorInfo() {
    return tLastError;
}

HRESULT raiseError(HRESULT code, const QString& source, const QString& description, int number) {
    setErrorInfo(ErrorInfo{code, number, source, description});
    return code;
}

QString describeFailure(HRESULT hr) {
    if (tLastError && tLastError->code == hr && !tLastError->description.isEmpty())
        return tLastError->description;
    return resultText(hr);
}

} // namespace com
