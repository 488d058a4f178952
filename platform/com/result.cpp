// Texts for result codes. A flat table: lookups are a linear scan over a few
// dozen entries, done only when an error is shown.

#include "result.h"

namespace com {

namespace {
struct CodeText {
    HRESULT code;
    const char* text;
};

constexpr CodeText kTexts[] = {
    {S_OK, "The operation completed successfully."},
    {S_FALSE, "The operation completed with a negative answer."},
    {E_NOTIMPL, "Not implemented."},
    {E_NOINTERFACE, "No such interface supported."},
    {E_POINTER, "Invalid pointer."},
    {E_ABORT, "Operation aborted."},
    {E_FAIL, "Unspecified error."},
    {E_UNEXPECTED, "Catastrophic failure."},
    {E_ACCESSDENIED, "Access is denied."},
    {E_OUTOFMEMORY, "Not enough memory."},
    {E_INVALIDARG, "The parameter is incorrect."},
    {DISP_E_UNKNOWNINTERFACE, "Unknown interface."},
    {DISP_E_MEMBERNOTFOUND, "Member not found."},
    {DISP_E_PARAMNOTFOUND, "Parameter not found."},
    {DISP_E_TYPEMISMATCH, "Type mismatch."},
    {DISP_E_UNKNOWNNAME, "Unknown name."},
    {DISP_E_NONAMEDARGS, "No named arguments."},
    {DISP_E_BADVARTYPE, "Bad variable type."},
    {DISP_E_EXCEPTION, "Exception occurred."},
    {DISP_E_OVERFLOW, "Out of present range."},
    {DISP_E_BADINDEX, "Invalid index."},
    {DISP_E_BADPARAMCOUNT, "Invalid number of parameters."},
    {DISP_E_PARAMNOTOPTIONAL, "Parameter not optional."},
    {CLASS_E_NOAGGREGATION, "Class does not support aggregation."},
    {CLASS_E_CLASSNOTAVAILABLE, "The class object does not offer the requested class."},
    {REGDB_E_READREGDB, "Could not read the component registry."},
    {REGDB_E_WRITEREGDB, "Could not write the component registry."},
    {REGDB_E_CLASSNOTREG, "Class not registered."},
    {SELFREG_E_TYPELIB, "Failed to register or unregister the type library."},
    {SELFREG_E_CLASS, "Failed to register or unregister the class."},
    {CO_E_CLASSSTRING, "Invalid class string."},
    {CO_E_DLLNOTFOUND, "The library for the class was not found."},
    {CO_E_ERRORINDLL, "Error in the library: it does not export what the runtime needs."},
    {RPC_E_WRONG_THREAD, "The object was called on a thread other than the one that made it."},
    {ERROR_FILE_NOT_FOUND_RESULT, "The system cannot find the file specified."},
    {ERROR_MOD_NOT_FOUND_RESULT, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND_RESULT, "The specified procedure could not be found."},
    {ERROR_BAD_EXE_FORMAT_RESULT, "The file is not a loadable library."},
};
} // namespace

QString resultHex(HRESULT hr) {
    const QString digits = QString::number(static_cast<std::uint32_t>(hr), 16);
    return QStringLiteral("0x") + digits.rightJustified(8, QLatin1Char('0')).toUpper();
}

QString resultText(HRESULT hr) {
    for (const CodeText& t : kTexts)
        if (t.code == hr)
            return QString::fromLatin1(t.text);
    if (const int number = controlErrorNumber(hr))
        return QStringLiteral("Error %1.").arg(number);
    return QStringLiteral("Error %1.").arg(resultHex(hr));
}

} // namespace com
