// The blank-test component library: class clsBlankTest, its class object,
// the four server exports and its registration. Built as libBlankTest.so.

#include "blank_test.h"

#include "platform/com/class_factory.h"
#include "platform/com/error_info.h"
#include "platform/com/library_loader.h"
#include "platform/com/object_base.h"
#include "platform/com/registration.h"
#include "platform/com/registry_file.h"
#include "platform/com/server_exports.h"

using namespace com;

namespace blanktest {

namespace {
ServerModule gModule;
const QString kSource = QString::fromLatin1(ProgId);
const int kAnchor = 0; ///< an address inside this library, for its path

bool onlySpaces(const QString& text) {
    for (QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

class clsBlankTest final : public ObjectBase<clsBlankTest, IBlankTest> {
public:
    clsBlankTest() { gModule.objectMade(); }
    ~clsBlankTest() { gModule.objectGone(); }
    static bool offers(const IID& iid) { return iid == IID_IDispatch || iid == IID_IBlankTest; }

    HRESULT GetTypeInfoCount(std::uint32_t* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo** info) override {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(const IID& iid, const QString* names, std::uint32_t count, LCID,
                          DISPID* ids) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0)
            return E_POINTER;
        const bool known = names[0].compare(QLatin1String("fnIsBlank"), Qt::CaseInsensitive) == 0;
        ids[0] = known ? DISPID_fnIsBlank : DISPID_UNKNOWN;
        for (std::uint32_t i = 1; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        return known && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID id, const IID& iid, LCID, std::uint16_t flags, DispParams* params,
                   Variant* result, ExcepInfo* excepInfo, std::uint32_t*) override {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (id != DISPID_fnIsBlank || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
            return DISP_E_MEMBERNOTFOUND;
        if (!params || (params->argCount > 0 && !params->args))
            return E_POINTER;
        if (params->namedArgCount > 0)
            return DISP_E_NONAMEDARGS;
        if (params->argCount != 1)
            return DISP_E_BADPARAMCOUNT;
        VARIANT_BOOL blank = VARIANT_FALSE;
        const HRESULT hr = fnIsBlank(&params->args[0], &blank);
        if (failed(hr)) {
            if (excepInfo)
                *excepInfo = ExcepInfo{0, kSource, describeFailure(hr), hr};
            return DISP_E_EXCEPTION;
        }
        if (result)
            *result = Variant::fromBool(blank != VARIANT_FALSE);
        return S_OK;
    }

    HRESULT rtnReserved1() override { return E_NOTIMPL; }
    HRESULT rtnReserved2() override { return E_NOTIMPL; }
    HRESULT rtnReserved3() override { return E_NOTIMPL; }
    HRESULT rtnReserved4() override { return E_NOTIMPL; }
    HRESULT rtnReserved5() override { return E_NOTIMPL; }

    HRESULT fnIsBlank(Variant* value, VARIANT_BOOL* result) override {
        if (!value || !result)
            return E_POINTER;
        *result = VARIANT_FALSE;
        const Variant v = value->dereferenced();
        if (v.isEmpty() || v.isNull()) {
            *result = VARIANT_TRUE;
            return S_OK;
        }
        QString text;
        const HRESULT hr = v.toText(&text);
        if (failed(hr))
            return raiseError(hr, kSource, QStringLiteral("Type mismatch"));
        *result = onlySpaces(text) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
};

ClassFactory<clsBlankTest> gFactory(gModule);
} // namespace

} // namespace blanktest

using namespace blanktest;

HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_BlankTest)
        return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, object);
}

HRESULT DllCanUnloadNow() {
    return gModule.canUnloadNow();
}

HRESULT DllRegisterServer() {
    const QString path = modulePathOf(&kAnchor);
    if (path.isEmpty())
        return raiseError(SELFREG_E_CLASS, kSource,
                          QStringLiteral("Cannot tell where I am loaded from."));
    return editRegistry([&](RegistryTree& tree) {
        const HRESULT hr = registerClass(tree, {.clsid = CLSID_BlankTest,
                                                .description = kSource,
                                                .progId = kSource,
                                                .libraryPath = path});
        if (failed(hr))
            return hr;
        // 13 slots: IUnknown's 3, IDispatch's 4, its own 6.
        return registerInterface(
            tree,
            {.iid = IID_IBlankTest, .name = QStringLiteral("_clsBlankTest"), .methodCount = 13});
    });
}

HRESULT DllUnregisterServer() {
    return editRegistry([](RegistryTree& tree) {
        unregisterClass(tree, CLSID_BlankTest, kSource);
        unregisterInterface(tree, IID_IBlankTest);
        return S_OK;
    });
}
