#pragma once
// Late-bound calls: IDispatch's four slots (3..6 after IUnknown's three) and
// the argument block of Invoke. A caller maps a routine's name to a dispatch
// id once (GetIDsOfNames) and then calls it by id with its arguments as
// Variants (Invoke).
//
// As on the original platform, DispParams lists the arguments in reverse
// order: args[0] is the LAST argument, args[argCount - 1] the first. An
// optional argument the caller leaves out is either not passed at all (when
// it is at the end) or passed as Variant::missing().

#include "unknown.h"

#include <QString>
#include <cstdint>

namespace com {

class Variant;
class ITypeInfo; // type descriptions are not provided by this runtime

using DISPID = std::int32_t;
using LCID = std::uint32_t;

inline constexpr IID IID_IDispatch = guid("{00020400-0000-0000-C000-000000000046}");

inline constexpr DISPID DISPID_UNKNOWN = -1;

/// Invoke flags: what kind of call is made.
inline constexpr std::uint16_t DISPATCH_METHOD = 0x1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 0x2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 0x4;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUTREF = 0x8;

struct DispParams {
    Variant* args = nullptr;         ///< the arguments, last one first
    DISPID* namedArgs = nullptr;     ///< dispatch ids of named arguments
    std::uint32_t argCount = 0;      ///< number of entries in args
    std::uint32_t namedArgCount = 0; ///< number of entries in namedArgs
};

/// What Invoke fills in when it returns DISP_E_EXCEPTION: the routine's own
/// failure, with its code, number and text.
struct ExcepInfo {
    std::uint16_t code = 0; ///< a library-defined small code, 0 when scode is used
    QString source;         ///< who raised it
    QString description;    ///< the text to show
    HRESULT scode = S_OK;   ///< the routine's failure code
};

class IDispatch : public IUnknown {
public:
    /// 1 if type information is available, else 0. This runtime has none.
    virtual HRESULT GetTypeInfoCount(std::uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(std::uint32_t index, LCID lcid, ITypeInfo** info) = 0;
    /// Maps names[0] (a routine) to its dispatch id, case-insensitively.
    /// `iid` must be IID_NULL.
    virtual HRESULT GetIDsOfNames(const IID& iid, const QString* names, std::uint32_t count,
                                  LCID lcid, DISPID* ids) = 0;
    /// Calls routine `id`. On a failure of the routine itself returns
    /// DISP_E_EXCEPTION with *excepInfo filled in; on a bad argument returns
    /// DISP_E_TYPEMISMATCH (or DISP_E_PARAMNOTFOUND) with *argErr the index
    /// into params->args of the culprit.
    virtual HRESULT Invoke(DISPID id, const IID& iid, LCID lcid, std::uint16_t flags,
                           DispParams* params, Variant* result, ExcepInfo* excepInfo,
                           std::uint32_t* argErr) = 0;

protected:
    ~IDispatch() = default;
};

} // namespace com
