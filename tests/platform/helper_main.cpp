// com_helper: a separate process for the runtime's tests, so that
// activation is tried in a fresh process and a crash shows as a failed exit
// instead of taking the test runner down.
//
//   com_helper activate CLSID-OR-PROGID IID   prints "hr=0x........" and
//                                             "text=...", and "value=N"
//                                             when the object offers IValue
//   com_helper write PREFIX COUNT             sets COUNT registry values
//                                             "PREFIX\N", one edit each
//
// The registry is the one TOLVANE_COM_REGISTRY names. Exit status 0 unless
// the command line is wrong.

#include "platform/com/activation.h"
#include "platform/com/com_ptr.h"
#include "platform/com/error_info.h"
#include "platform/com/registry_file.h"
#include "test_component.h"

#include <cstdio>
#include <cstring>

namespace {

void print(const QString& line) {
    std::printf("%s\n", qPrintable(line));
}

int activate(const QString& id, const QString& iidText) {
    com::CLSID clsid;
    com::HRESULT hr = com::S_OK;
    if (const auto parsed = com::Guid::fromString(id))
        clsid = *parsed;
    else
        hr = com::CLSIDFromProgID(id, &clsid);
    const auto iid = com::Guid::fromString(iidText);
    if (!iid)
        return 2;
    com::Ptr<com::IUnknown> object;
    if (com::succeeded(hr))
        hr = com::CoCreateInstance(clsid, *iid, object.putVoid());
    print(QStringLiteral("hr=") + com::resultHex(hr));
    print(QStringLiteral("text=") + com::describeFailure(hr));
    if (com::succeeded(hr) && *iid == comtest::IID_IValue) {
        std::int32_t value = 0;
        // The object was asked for IValue, so the pointer is one.
        static_cast<comtest::IValue*>(object.get())->value(&value);
        print(QStringLiteral("value=%1").arg(value));
    }
    return 0;
}

int write(const QString& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        const com::HRESULT hr = com::editRegistry([&](com::RegistryTree& tree) {
            return tree.setValue(prefix + QStringLiteral("\\%1").arg(i), {}, QString::number(i));
        });
        if (com::failed(hr)) {
            print(QStringLiteral("hr=") + com::resultHex(hr));
            return 3;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "activate") == 0)
        return activate(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "write") == 0)
        return write(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    std::fprintf(stderr, "usage: com_helper activate ID IID | write PREFIX COUNT\n");
    return 2;
}
