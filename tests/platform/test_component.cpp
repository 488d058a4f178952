// The test component library: class Counter offering IValue (value() = 42),
// its class object, the four server exports and a resource section. Its
// DllRegisterServer fails on request (COM_TEST_FAIL_REGISTER) so that
// regsvr's failure path can be tested.

#include "test_component.h"

#include "platform/com/class_factory.h"
#include "platform/com/error_info.h"
#include "platform/com/library_loader.h"
#include "platform/com/object_base.h"
#include "platform/com/registration.h"
#include "platform/com/registry_file.h"
#include "platform/com/resource_data.h"
#include "platform/com/server_exports.h"

using namespace com;
using namespace comtest;

namespace {
ServerModule gModule;
const int kAnchor = 0;

class Counter final : public ObjectBase<Counter, IValue> {
public:
    Counter() { gModule.objectMade(); }
    ~Counter() { gModule.objectGone(); }
    static bool offers(const IID& iid) { return iid == IID_IValue; }
    HRESULT value(std::int32_t* out) override {
        if (!out)
            return E_POINTER;
        *out = kValue;
        return S_OK;
    }
};

ClassFactory<Counter> gFactory(gModule);

COM_RESOURCES constexpr auto kResources = res::section(
    res::dataResource("BLOB", res::lengthPrefixed(IID_IValue.bytes())),
    res::versionString("ProductName", "ComTest"), res::versionString("Comments", "odd length"));
} // namespace

HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_Counter)
        return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, object);
}

HRESULT DllCanUnloadNow() {
    return gModule.canUnloadNow();
}

HRESULT DllRegisterServer() {
    if (qEnvironmentVariableIsSet(kFailRegisterVariable))
        return raiseError(SELFREG_E_CLASS, QString::fromLatin1(ProgId),
                          QStringLiteral("Registration refused on request."));
    const QString path = modulePathOf(&kAnchor);
    return editRegistry([&](RegistryTree& tree) {
        return registerClass(tree, {.clsid = CLSID_Counter,
                                    .description = QString::fromLatin1(ProgId),
                                    .progId = QString::fromLatin1(ProgId),
                                    .libraryPath = path});
    });
}

HRESULT DllUnregisterServer() {
    return editRegistry([](RegistryTree& tree) {
        unregisterClass(tree, CLSID_Counter, QString::fromLatin1(ProgId));
        return S_OK;
    });
}
