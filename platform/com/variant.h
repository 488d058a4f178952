#pragma once
// Variant: the one value type of late-bound calls. It holds one of
//
//   Empty (nothing assigned), Null (no valid data), I2 and I4 (16- and 32-bit
//   integers), R8 (double), Date (days since 30 Dec 1899 as a double, the
//   time of day in the fraction), text (a QString stands for the platform's
//   string type), Bool (-1 true, 0 false), an object reference (IUnknown* or
//   IDispatch*), or an error code; the error code DISP_E_PARAMNOTFOUND is the
//   "parameter omitted" marker (Variant::missing()) for optional arguments.
//
// A by-reference Variant (VT_BYREF | type) instead points at a value owned by
// someone else: a typed slot (QString*, std::int32_t*, IUnknown** ...) or
// another Variant (VT_BYREF | VT_VARIANT). It never owns what it points at.
//
// Object references are counted: a Variant holding an object keeps one
// reference of its own, copies add one, destruction and assignment release
// it. Copying text is the QString's implicit sharing.

#include "dispatch.h"
#include "result.h"

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace com {

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using DATE = double;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12; ///< only with VT_BYREF
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_BYREF = 0x4000;
inline constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

/// Date values: days since 30 Dec 1899; the fraction is the time of day,
/// counted away from zero for days before then (-1.25 is 29 Dec 1899 06:00).
/// The QDateTime side is a time-zone-free carrier in Qt::UTC.
DATE dateFromDateTime(const QDateTime& dt);
QDateTime dateTimeFromDate(DATE d);

class Variant {
public:
    Variant() noexcept {} ///< Empty
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    static Variant null();
    /// The "parameter omitted" marker: error DISP_E_PARAMNOTFOUND.
    static Variant missing();
    static Variant error(HRESULT code);
    static Variant fromI2(std::int16_t v);
    static Variant fromI4(std::int32_t v);
    static Variant fromDouble(double v);
    static Variant fromDate(DATE v);
    static Variant fromDateTime(const QDateTime& v);
    static Variant fromText(const QString& v);
    static Variant fromBool(bool v);
    /// Holds `object` with a reference of its own; nullptr is an object
    /// reference to nothing.
    static Variant fromUnknown(IUnknown* object);
    static Variant fromDispatch(IDispatch* object);

    /// By-reference Variants: point at a slot the caller keeps alive.
    static Variant byRef(Variant* target);
    static Variant byRef(QString* target);
    static Variant byRef(std::int32_t* target);
    static Variant byRef(IUnknown** target);
    static Variant byRef(IDispatch** target);
    /// Any other slot: `type` is the base type (VT_I2, VT_BOOL, VT_R8,
    /// VT_DATE, ...) and `target` points at a value of that type.
    static Variant byRef(VARTYPE type, void* target);

    VARTYPE vt() const { return vt_; }
    VARTYPE baseType() const { return vt_ & VT_TYPEMASK; }
    bool isByRef() const { return (vt_ & VT_BYREF) != 0; }
    bool isEmpty() const { return vt_ == VT_EMPTY; }
    bool isNull() const { return vt_ == VT_NULL; }
    bool isMissing() const { return vt_ == VT_ERROR && v_.scode == DISP_E_PARAMNOTFOUND; }
    bool isObject() const { return vt_ == VT_UNKNOWN || vt_ == VT_DISPATCH; }

    // Values of a Variant that is not by reference; each gives 0, an empty
    // text or nullptr when the Variant holds another type.
    std::int16_t i2() const { return vt_ == VT_I2 ? v_.i2 : 0; }
    std::int32_t i4() const { return vt_ == VT_I4 ? v_.i4 : 0; }
    double r8() const { return vt_ == VT_R8 ? v_.r8 : 0.0; }
    DATE date() const { return vt_ == VT_DATE ? v_.r8 : 0.0; }
    VARIANT_BOOL boolVal() const { return vt_ == VT_BOOL ? v_.i2 : VARIANT_FALSE; }
    HRESULT scode() const { return vt_ == VT_ERROR ? v_.scode : S_OK; }
    const QString& text() const { return text_; } ///< empty unless VT_BSTR
    /// The object held (VT_UNKNOWN or VT_DISPATCH), without a reference.
    IUnknown* object() const;
    IDispatch* dispatch() const { return vt_ == VT_DISPATCH ? v_.disp : nullptr; }
    /// The slot a by-reference Variant points at.
    void* refTarget() const { return isByRef() ? v_.ref : nullptr; }

    /// The value itself: a copy, read through the reference(s) if this is
    /// by reference. A chain of references deeper than a few steps (only a
    /// fault can make one) gives the error value DISP_E_BADVARTYPE.
    Variant dereferenced() const;

    /// Writes `value` into the slot this by-reference Variant points at,
    /// converting it to the slot's type where that is defined: anything into
    /// a Variant slot, anything with a text form into a text slot, an object
    /// (or Empty, meaning none) into an object slot, a value of the same type
    /// into any other slot. E_INVALIDARG if this is not by reference,
    /// DISP_E_TYPEMISMATCH if the value does not fit.
    HRESULT storeThrough(const Variant& value) const;

    /// The value as text, the way the automation runtime converts it: Empty
    /// gives "", numbers their decimal form, Bool "True"/"False", a date
    /// "m/d/yyyy" (plus " h:mm:ss AM" when it has a time of day). Null,
    /// errors and objects give DISP_E_TYPEMISMATCH.
    HRESULT toText(QString* out) const;

    void swap(Variant& other) noexcept;

private:
    void clear() noexcept;

    VARTYPE vt_ = VT_EMPTY;
    union Payload {
        std::int16_t i2; ///< VT_I2, VT_BOOL
        std::int32_t i4;
        double r8; ///< VT_R8, VT_DATE
        HRESULT scode;
        IUnknown* unk;
        IDispatch* disp;
        void* ref; ///< any VT_BYREF
    } v_{};
    QString text_; ///< VT_BSTR only
};

} // namespace com
