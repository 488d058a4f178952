#pragma once
// Result codes (HRESULTs) of the component runtime, with the numeric values
// the component platform has always used, so that codes printed by regsvr or
// shown to a user read the same as anywhere else. A code is a signed 32-bit
// value: bit 31 set means failure, bits 16..26 the facility, bits 0..15 the
// code within it.
//
// Errors raised by a library's routines with an error number of their own
// (the database engine's 3078 "table not found" and so on) travel as
// controlErrorResult(number) = 0x800A0000 | number, the form automation
// servers have always used for such numbers; the number and its text also go
// into the thread's error info (error_info.h).

#include <QString>
#include <cstdint>

namespace com {

using HRESULT = std::int32_t;

/// The code as a signed HRESULT, written the way the platform writes them.
constexpr HRESULT hresult(std::uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

constexpr bool succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool failed(HRESULT hr) {
    return hr < 0;
}

inline constexpr std::uint32_t FACILITY_DISPATCH = 2;
inline constexpr std::uint32_t FACILITY_ITF = 4;
inline constexpr std::uint32_t FACILITY_WIN32 = 7;
inline constexpr std::uint32_t FACILITY_CONTROL = 10;

/// A failure code from an operating-system error number (0 stays success).
constexpr HRESULT fromWin32(std::uint32_t code) {
    return code == 0 ? 0 : hresult((code & 0xFFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

/// The failure code that carries a library's own error number (1..65535).
constexpr HRESULT controlErrorResult(int number) {
    return hresult((static_cast<std::uint32_t>(number) & 0xFFFFu) | (FACILITY_CONTROL << 16) |
                   0x80000000u);
}

/// The error number inside a controlErrorResult, or 0 for any other code.
constexpr int controlErrorNumber(HRESULT hr) {
    const auto bits = static_cast<std::uint32_t>(hr);
    return (bits & 0xFFFF0000u) == (0x80000000u | (FACILITY_CONTROL << 16))
               ? static_cast<int>(bits & 0xFFFFu)
               : 0;
}

// --- success ---------------------------------------------------------------
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

// --- general failures ------------------------------------------------------
inline constexpr HRESULT E_NOTIMPL = hresult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hresult(0x80004002);
inline constexpr HRESULT E_POINTER = hresult(0x80004003);
inline constexpr HRESULT E_ABORT = hresult(0x80004004);
inline constexpr HRESULT E_FAIL = hresult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hresult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = hresult(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = hresult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hresult(0x80070057);

// --- dispatch (Invoke) failures --------------------------------------------
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hresult(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hresult(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hresult(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hresult(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hresult(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = hresult(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = hresult(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = hresult(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = hresult(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = hresult(0x8002000B);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hresult(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hresult(0x8002000F);

// --- class objects, registry and activation --------------------------------
inline constexpr HRESULT CLASS_E_NOAGGREGATION = hresult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hresult(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = hresult(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = hresult(0x80040151);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hresult(0x80040154);
inline constexpr HRESULT SELFREG_E_TYPELIB = hresult(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = hresult(0x80040201);
inline constexpr HRESULT CO_E_CLASSSTRING = hresult(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = hresult(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = hresult(0x800401F9);
inline constexpr HRESULT RPC_E_WRONG_THREAD = hresult(0x8001010E);

// --- operating-system errors as codes --------------------------------------
inline constexpr HRESULT ERROR_FILE_NOT_FOUND_RESULT = fromWin32(2);
inline constexpr HRESULT ERROR_MOD_NOT_FOUND_RESULT = fromWin32(126);
inline constexpr HRESULT ERROR_PROC_NOT_FOUND_RESULT = fromWin32(127);
inline constexpr HRESULT ERROR_BAD_EXE_FORMAT_RESULT = fromWin32(193);

/// A readable one-line text for a code, e.g. "Class not registered.". Codes
/// without a text of their own get "Error 0x80004005." style text, and
/// controlErrorResult codes "Error 3078.".
QString resultText(HRESULT hr);

/// "0x80040154": the code as the platform prints it.
QString resultHex(HRESULT hr);

} // namespace com
