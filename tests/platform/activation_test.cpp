// Activation by class identity in a fresh process (com_helper) through a
// private registry, and each of its failures with its own code and a text,
// never a crash. Also the class object's and module's bookkeeping, in
// process.

#include "platform/com/activation.h"
#include "platform/com/com_ptr.h"
#include "platform/com/dispatch.h"
#include "platform/com/error_info.h"
#include "platform/com/library_loader.h"
#include "platform/com/machine_registry.h"
#include "platform/com/registration.h"
#include "platform/com/server_exports.h"
#include "private_registry.h"
#include "test_component.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Activation : public PrivateRegistry {
protected:
    /// Registers `clsid` as served by `library` (and the test ProgID for it).
    void registerAt(const com::CLSID& clsid, const QString& library) {
        com::RegistryTree tree = registry();
        ASSERT_EQ(com::registerClass(tree, {.clsid = clsid,
                                            .description = QStringLiteral("test"),
                                            .progId = QString::fromLatin1(comtest::ProgId),
                                            .libraryPath = library}),
                  com::S_OK);
        writeRegistry(tree);
    }

    struct Outcome {
        QString hr;
        QString text;
        QString value;
    };
    /// Activates in a child process; fails the test if the child crashed.
    Outcome activate(const QString& id, const com::IID& iid = comtest::IID_IValue) {
        const Run r =
            run(QStringLiteral(COM_HELPER), {QStringLiteral("activate"), id, iid.toString()});
        EXPECT_FALSE(r.crashed) << r.err.toStdString();
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        Outcome o;
        for (const QString& line : r.out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("hr=")))
                o.hr = line.mid(3);
            else if (line.startsWith(QLatin1String("text=")))
                o.text = line.mid(5);
            else if (line.startsWith(QLatin1String("value=")))
                o.value = line.mid(6);
        }
        return o;
    }
};

TEST_F(Activation, ByClassIdentityAndByProgIdInAFreshProcess) {
    registerAt(comtest::CLSID_Counter, QStringLiteral(TEST_COMPONENT));
    for (const QString& id :
         {comtest::CLSID_Counter.toString(), QString::fromLatin1(comtest::ProgId)}) {
        const Outcome o = activate(id);
        EXPECT_EQ(o.hr, QStringLiteral("0x00000000")) << o.text.toStdString();
        EXPECT_EQ(o.value, QString::number(comtest::kValue));
    }
}

// The machine-wide registry, filled by `regsvr -m`, serves a class to
// everybody; a user's own entry for the class wins over it; unregistering
// machine-wide leaves the user's registration alone.
TEST_F(Activation, MachineWideRegistrationServesWhereTheUserHasNone) {
    const QString library = QStringLiteral(TEST_COMPONENT);
    const QString classKey = com::classKey(comtest::CLSID_Counter);
    Run r = run(QStringLiteral(REGSVR_TOOL), {QStringLiteral("-s"), QStringLiteral("-m"), library});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(registryFile()));
    for (const QString& id :
         {comtest::CLSID_Counter.toString(), QString::fromLatin1(comtest::ProgId)}) {
        const Outcome o = activate(id);
        EXPECT_EQ(o.hr, QStringLiteral("0x00000000")) << o.text.toStdString();
        EXPECT_EQ(o.value, QString::number(comtest::kValue));
    }

    // A user's entry whose library is gone (a build folder since removed)
    // gives way to the machine-wide one.
    registerAt(comtest::CLSID_Counter, path(QStringLiteral("gone.so")));
    Outcome o = activate(comtest::CLSID_Counter.toString());
    EXPECT_EQ(o.value, QString::number(comtest::kValue)) << o.text.toStdString();

    QFile::remove(registryFile());
    r = run(QStringLiteral(REGSVR_TOOL), {QStringLiteral("-s"), library});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = run(QStringLiteral(REGSVR_TOOL),
            {QStringLiteral("-s"), QStringLiteral("--machine"), QStringLiteral("-u"), library});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    com::RegistryTree machine;
    ASSERT_EQ(com::readRegistryFile(machineRegistryFile(), &machine), com::S_OK);
    EXPECT_FALSE(machine.hasKey(classKey));
    EXPECT_TRUE(registry().hasKey(classKey));
    o = activate(comtest::CLSID_Counter.toString());
    EXPECT_EQ(o.value, QString::number(comtest::kValue)) << o.text.toStdString();

    // The build tree is laid out like an installation: its machine-wide
    // registry lies inside the build folder, never outside it.
    const QString libFolder = QFileInfo(QStringLiteral(REGSVR_TOOL)).absolutePath();
    const QString buildRegistry =
        com::machineRegistryPathFor(libFolder, QStringLiteral("lib/tolvane"));
    EXPECT_EQ(buildRegistry,
              QDir::cleanPath(libFolder + QStringLiteral("/../../var/lib/tolvane/com-registry")));
}

// A library is loaded only by an absolute path, from a file and folders
// that nobody but the user and root can change; a folder with the sticky bit
// (such as /tmp) may be open to all. Each refusal says which file and why.
TEST_F(Activation, LibrariesOthersCouldChangeAreRefused) {
    const QString folder = path(QStringLiteral("libs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString copy = folder + QStringLiteral("/libcopy.so");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TEST_COMPONENT), copy));
    const QByteArray folderName = QFile::encodeName(folder);
    const QByteArray copyName = QFile::encodeName(copy);
    auto refused = [&](const char* what, const QString& mentions) {
        const Outcome o = activate(comtest::CLSID_Counter.toString());
        EXPECT_EQ(o.hr, com::resultHex(com::E_ACCESSDENIED))
            << what << ": " << o.text.toStdString();
        EXPECT_TRUE(o.text.contains(mentions)) << what << ": " << o.text.toStdString();
    };

    registerAt(comtest::CLSID_Counter, QStringLiteral("libs/libcopy.so"));
    refused("relative path", QStringLiteral("not absolute"));

    registerAt(comtest::CLSID_Counter, copy);
    ASSERT_EQ(chmod(folderName.constData(), 0777), 0);
    refused("folder writable by all", QStringLiteral("other users may change ") + folder);
    ASSERT_EQ(chmod(folderName.constData(), 0775), 0);
    refused("folder writable by its group", folder);
    ASSERT_EQ(chmod(folderName.constData(), 01777), 0);
    EXPECT_EQ(activate(comtest::CLSID_Counter.toString()).value, QString::number(comtest::kValue));
    ASSERT_EQ(chmod(folderName.constData(), 0755), 0);
    ASSERT_EQ(chmod(copyName.constData(), 0646), 0);
    refused("library writable by all", copy);
    ASSERT_EQ(chmod(copyName.constData(), 0755), 0);

    // A symbolic link is followed to the file it names, which is checked.
    const QString link = path(QStringLiteral("link.so"));
    ASSERT_TRUE(QFile::link(copy, link));
    registerAt(comtest::CLSID_Counter, link);
    EXPECT_EQ(activate(comtest::CLSID_Counter.toString()).value, QString::number(comtest::kValue));

    // Another ordinary user's library (only root can make one here).
    if (geteuid() == 0) {
        ASSERT_EQ(chown(copyName.constData(), 65534, 65534), 0);
        refused("library of another user", QStringLiteral("belongs to the user"));
    }
}

TEST_F(Activation, EachFailureHasItsOwnCodeAndAText) {
    const QString textFile = path(QStringLiteral("not-a-library.so"));
    {
        QFile f(textFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("just text\n");
    }
    const struct {
        const char* what;
        com::CLSID registered; ///< class put into the registry (GUID_NULL: none)
        QString library;       ///< its library
        QString id;            ///< what is activated
        com::IID iid;
        com::HRESULT expected;
        QString mentions; ///< a word the text must contain
    } cases[] = {
        {"class not registered",
         com::GUID_NULL,
         {},
         comtest::CLSID_Counter.toString(),
         comtest::IID_IValue,
         com::REGDB_E_CLASSNOTREG,
         comtest::CLSID_Counter.toString()},
        {"library missing", comtest::CLSID_Counter, path(QStringLiteral("gone.so")),
         comtest::CLSID_Counter.toString(), comtest::IID_IValue, com::ERROR_MOD_NOT_FOUND_RESULT,
         QStringLiteral("gone.so")},
        {"not a library", comtest::CLSID_Counter, textFile, comtest::CLSID_Counter.toString(),
         comtest::IID_IValue, com::ERROR_BAD_EXE_FORMAT_RESULT, QStringLiteral("not-a-library")},
        {"no DllGetClassObject", comtest::CLSID_Counter, QStringLiteral(NOEXPORT_COMPONENT),
         comtest::CLSID_Counter.toString(), comtest::IID_IValue, com::CO_E_ERRORINDLL,
         QStringLiteral("DllGetClassObject")},
        {"interface not supported", comtest::CLSID_Counter, QStringLiteral(TEST_COMPONENT),
         comtest::CLSID_Counter.toString(), com::IID_IDispatch, com::E_NOINTERFACE,
         com::IID_IDispatch.toString()},
        {"class not served by its library", comtest::CLSID_Unserved, QStringLiteral(TEST_COMPONENT),
         comtest::CLSID_Unserved.toString(), comtest::IID_IValue, com::CLASS_E_CLASSNOTAVAILABLE,
         comtest::CLSID_Unserved.toString()},
        {"unknown ProgID",
         com::GUID_NULL,
         {},
         QStringLiteral("No.Such"),
         comtest::IID_IValue,
         com::CO_E_CLASSSTRING,
         QStringLiteral("No.Such")},
    };
    for (const auto& c : cases) {
        QFile::remove(registryFile());
        if (c.registered != com::GUID_NULL)
            registerAt(c.registered, c.library);
        const Outcome o = activate(c.id, c.iid);
        EXPECT_EQ(o.hr, com::resultHex(c.expected)) << c.what << ": " << o.text.toStdString();
        EXPECT_TRUE(o.text.contains(c.mentions)) << c.what << ": " << o.text.toStdString();
        EXPECT_TRUE(o.value.isEmpty()) << c.what;
    }
}

TEST_F(Activation, InProcessFailureLeavesNoObjectAndRecordsWhy) {
    void* object = reinterpret_cast<void*>(0x1); // must be cleared
    EXPECT_EQ(com::CoCreateInstance(comtest::CLSID_Counter, comtest::IID_IValue, &object),
              com::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    const auto info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->description.contains(registryFile()));
    EXPECT_EQ(com::CoCreateInstance(comtest::CLSID_Counter, comtest::IID_IValue, nullptr),
              com::E_POINTER);
}

TEST_F(Activation, ClassObjectRefusesAggregationAndCountsLocksAndObjects) {
    registerAt(comtest::CLSID_Counter, QStringLiteral(TEST_COMPONENT));
    void* library = nullptr;
    ASSERT_EQ(com::loadLibrary(QStringLiteral(TEST_COMPONENT), &library), com::S_OK);
    const auto canUnload =
        reinterpret_cast<com::DllCanUnloadNowFn>(com::librarySymbol(library, "DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), com::S_OK);

    com::Ptr<com::IClassFactory> factory;
    ASSERT_EQ(
        com::CoGetClassObject(comtest::CLSID_Counter, com::IID_IClassFactory, factory.putVoid()),
        com::S_OK);
    EXPECT_EQ(canUnload(), com::S_FALSE); // the class object is held
    com::Ptr<comtest::IValue> value;
    com::Ptr<com::IUnknown> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, comtest::IID_IValue, value.putVoid()), com::S_OK);
    void* aggregated = nullptr;
    EXPECT_EQ(factory->CreateInstance(value.get(), comtest::IID_IValue, &aggregated),
              com::CLASS_E_NOAGGREGATION);
    EXPECT_EQ(aggregated, nullptr);
    factory->LockServer(true);
    factory.reset();
    EXPECT_EQ(canUnload(), com::S_FALSE); // the object and the lock
    value.reset();
    EXPECT_EQ(canUnload(), com::S_FALSE); // the lock
    com::Ptr<com::IClassFactory> again;
    ASSERT_EQ(
        com::CoGetClassObject(comtest::CLSID_Counter, com::IID_IClassFactory, again.putVoid()),
        com::S_OK);
    again->LockServer(false);
    again.reset();
    EXPECT_EQ(canUnload(), com::S_OK);
}

} // namespace
