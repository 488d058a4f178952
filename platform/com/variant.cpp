// Variant: construction, reference counting of held objects, dereferencing
// and writing through references. Text conversion is in variant_text.cpp.

#include "variant.h"

#include <utility>

namespace com {

namespace {
// A by-reference chain longer than this is a fault, not data.
constexpr int kMaxRefDepth = 4;

void addRefHeld(VARTYPE vt, IUnknown* unk, IDispatch* disp) {
    if (vt == VT_UNKNOWN && unk)
        unk->AddRef();
    else if (vt == VT_DISPATCH && disp)
        disp->AddRef();
}
} // namespace

Variant::Variant(const Variant& other) : vt_(other.vt_), v_(other.v_), text_(other.text_) {
    addRefHeld(vt_, v_.unk, v_.disp);
}

Variant::Variant(Variant&& other) noexcept
    : vt_(std::exchange(other.vt_, VT_EMPTY)), v_(other.v_), text_(std::move(other.text_)) {
    other.v_.ref = nullptr;
}

Variant& Variant::operator=(const Variant& other) {
    Variant copy(other);
    swap(copy);
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    Variant moved(std::move(other));
    swap(moved);
    return *this;
}

Variant::~Variant() {
    clear();
}

void Variant::clear() noexcept {
    if (vt_ == VT_UNKNOWN && v_.unk)
        v_.unk->Release();
    else if (vt_ == VT_DISPATCH && v_.disp)
        v_.disp->Release();
    vt_ = VT_EMPTY;
    v_.ref = nullptr;
    text_.clear();
}

void Variant::swap(Variant& other) noexcept {
    std::swap(vt_, other.vt_);
    std::swap(v_, other.v_);
    text_.swap(other.text_);
}

Variant Variant::null() {
    Variant r;
    r.vt_ = VT_NULL;
    return r;
}

Variant Variant::missing() {
    return error(DISP_E_PARAMNOTFOUND);
}

Variant Variant::error(HRESULT code) {
    Variant r;
    r.vt_ = VT_ERROR;
    r.v_.scode = code;
    return r;
}

Variant Variant::fromI2(std::int16_t v) {
    Variant r;
    r.vt_ = VT_I2;
    r.v_.i2 = v;
    return r;
}

Variant Variant::fromI4(std::int32_t v) {
    Variant r;
    r.vt_ = VT_I4;
    r.v_.i4 = v;
    return r;
}

Variant Variant::fromDouble(double v) {
    Variant r;
    r.vt_ = VT_R8;
    r.v_.r8 = v;
    return r;
}

Variant Variant::fromDate(DATE v) {
    Variant r;
    r.vt_ = VT_DATE;
    r.v_.r8 = v;
    return r;
}

Variant Variant::fromDateTime(const QDateTime& v) {
    return fromDate(dateFromDateTime(v));
}

Variant Variant::fromText(const QString& v) {
    Variant r;
    r.vt_ = VT_BSTR;
    r.text_ = v;
    return r;
}

Variant Variant::fromBool(bool v) {
    Variant r;
    r.vt_ = VT_BOOL;
    r.v_.i2 = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

Variant Variant::fromUnknown(IUnknown* object) {
    Variant r;
    r.vt_ = VT_UNKNOWN;
    r.v_.unk = object;
    if (object)
        object->AddRef();
    return r;
}

Variant Variant::fromDispatch(IDispatch* object) {
    Variant r;
    r.vt_ = VT_DISPATCH;
    r.v_.disp = object;
    if (object)
        object->AddRef();
    return r;
}

Variant Variant::byRef(VARTYPE type, void* target) {
    Variant r;
    r.vt_ = static_cast<VARTYPE>(VT_BYREF | (type & VT_TYPEMASK));
    r.v_.ref = target;
    return r;
}

Variant Variant::byRef(Variant* target) {
    return byRef(VT_VARIANT, target);
}
Variant Variant::byRef(QString* target) {
    return byRef(VT_BSTR, target);
}
Variant Variant::byRef(std::int32_t* target) {
    return byRef(VT_I4, target);
}
Variant Variant::byRef(IUnknown** target) {
    return byRef(VT_UNKNOWN, target);
}
Variant Variant::byRef(IDispatch** target) {
    return byRef(VT_DISPATCH, target);
}

IUnknown* Variant::object() const {
    if (vt_ == VT_UNKNOWN)
        return v_.unk;
    if (vt_ == VT_DISPATCH)
        return v_.disp;
    return nullptr;
}

Variant Variant::dereferenced() const {
    const Variant* v = this;
    for (int depth = 0; depth <= kMaxRefDepth; ++depth) {
        if (!v->isByRef())
            return *v;
        void* p = v->v_.ref;
        if (!p)
            return error(E_POINTER);
        switch (v->baseType()) {
        case VT_VARIANT:
            v = static_cast<const Variant*>(p);
            continue;
        case VT_I2:
            return fromI2(*static_cast<std::int16_t*>(p));
        case VT_I4:
            return fromI4(*static_cast<std::int32_t*>(p));
        case VT_R8:
            return fromDouble(*static_cast<double*>(p));
        case VT_DATE:
            return fromDate(*static_cast<DATE*>(p));
        case VT_BSTR:
            return fromText(*static_cast<QString*>(p));
        case VT_BOOL:
            return fromBool(*static_cast<VARIANT_BOOL*>(p) != VARIANT_FALSE);
        case VT_ERROR:
            return error(*static_cast<HRESULT*>(p));
        case VT_UNKNOWN:
            return fromUnknown(*static_cast<IUnknown**>(p));
        case VT_DISPATCH:
            return fromDispatch(*static_cast<IDispatch**>(p));
        default:
            return error(DISP_E_BADVARTYPE);
        }
    }
    return error(DISP_E_BADVARTYPE);
}

namespace {
/// Replaces the object in an object slot: the new one gains a reference,
/// the old one loses the slot's.
template <class T> void replaceObject(T** slot, T* object) {
    if (object)
        object->AddRef();
    if (T* old = std::exchange(*slot, object))
        old->Release();
}
} // namespace

HRESULT Variant::storeThrough(const Variant& value) const {
    if (!isByRef())
        return E_INVALIDARG;
    void* p = v_.ref;
    if (!p)
        return E_POINTER;
    const Variant v = value.dereferenced();
    switch (baseType()) {
    case VT_VARIANT:
        *static_cast<Variant*>(p) = v;
        return S_OK;
    case VT_BSTR: {
        QString text;
        const HRESULT hr = v.toText(&text);
        if (failed(hr))
            return hr;
        *static_cast<QString*>(p) = text;
        return S_OK;
    }
    case VT_UNKNOWN:
        if (!v.isObject() && !v.isEmpty())
            return DISP_E_TYPEMISMATCH;
        replaceObject(static_cast<IUnknown**>(p), v.object());
        return S_OK;
    case VT_DISPATCH: {
        if (v.isEmpty() || (v.isObject() && !v.object())) {
            replaceObject(static_cast<IDispatch**>(p), static_cast<IDispatch*>(nullptr));
            return S_OK;
        }
        if (!v.isObject())
            return DISP_E_TYPEMISMATCH;
        IDispatch* disp = nullptr;
        if (failed(v.object()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp))))
            return DISP_E_TYPEMISMATCH;
        replaceObject(static_cast<IDispatch**>(p), disp);
        disp->Release(); // the slot keeps its own reference
        return S_OK;
    }
    default:
        break;
    }
    if (v.vt() != baseType())
        return DISP_E_TYPEMISMATCH;
    switch (baseType()) {
    case VT_I2:
    case VT_BOOL:
        *static_cast<std::int16_t*>(p) = v.v_.i2;
        return S_OK;
    case VT_I4:
        *static_cast<std::int32_t*>(p) = v.v_.i4;
        return S_OK;
    case VT_R8:
    case VT_DATE:
        *static_cast<double*>(p) = v.v_.r8;
        return S_OK;
    case VT_ERROR:
        *static_cast<HRESULT*>(p) = v.v_.scode;
        return S_OK;
    default:
        return DISP_E_BADVARTYPE;
    }
}

} // namespace com
