// Brellox as an in-process server: its registry entries, their removal,
// activation in a fresh process, its identity data read from the built
// file, its unload answer and the program-wide default instance.

#include "brellox_fixture.h"
#include "platform/com/registration.h"
#include "platform/com/resources.h"

#include <QFileInfo>

namespace {

class Registration : public BrelloxTest {
protected:
    const QString library = QFileInfo(QStringLiteral(BRELLOX_LIBRARY)).absoluteFilePath();
};

TEST_F(Registration, RegsvrWritesTheIdentityTableAndRemovesEveryEntry) {
    QFile::remove(registryFile());
    Run r = run(QStringLiteral(REGSVR_TOOL), {library});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    const QString cls = QStringLiteral("CLSID\\{22D756CA-E16A-4872-A4DB-9037A0E20418}");
    const QString itf = QStringLiteral("Interface\\{E711050B-E57E-4A95-A4DD-9269594914B0}");
    const QString lib = QStringLiteral("TypeLib\\{52468084-6079-433D-AA64-3C59522656A2}\\1.0");
    const QString libid = QStringLiteral("{52468084-6079-433D-AA64-3C59522656A2}");
    const struct {
        QString key;
        const char* name;
        QString value;
    } expected[] = {
        {cls + QStringLiteral("\\InprocServer32"), "", library},
        {cls + QStringLiteral("\\InprocServer32"), "ThreadingModel", QStringLiteral("Apartment")},
        {cls + QStringLiteral("\\ProgID"), "", QStringLiteral("Brellox.clsAccess")},
        {cls + QStringLiteral("\\TypeLib"), "", libid},
        {QStringLiteral("Brellox.clsAccess\\Clsid"), "", brellox::CLSID_clsAccess.toString()},
        {itf, "", QStringLiteral("_clsAccess")},
        {itf + QStringLiteral("\\TypeLib"), "", libid},
        {itf + QStringLiteral("\\TypeLib"), "Version", QStringLiteral("1.0")},
        {lib, "", QStringLiteral("Brellox")},
        {lib + QStringLiteral("\\409\\linux64"), "", library},
    };
    const com::RegistryTree tree = registry();
    for (const auto& e : expected)
        EXPECT_EQ(tree.value(e.key, QString::fromLatin1(e.name)), e.value)
            << e.key.toStdString() << " " << e.name;

    r = run(QStringLiteral(REGSVR_TOOL), {QStringLiteral("-u"), library});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(registry().keys(), QStringList()); // every entry gone
}

TEST_F(Registration, UnregisteringLeavesOtherComponentsAlone) {
    const QStringList before = registry().keys(); // Brellox and BlankTest
    ASSERT_EQ(callExport(BRELLOX_LIBRARY, "DllUnregisterServer"), com::S_OK);
    const QStringList after = registry().keys();
    EXPECT_LT(after.size(), before.size());
    for (const QString& key : after) {
        EXPECT_FALSE(key.contains(QLatin1String("Brellox"), Qt::CaseInsensitive))
            << key.toStdString();
        EXPECT_FALSE(key.contains(brellox::CLSID_clsAccess.toString())) << key.toStdString();
        EXPECT_FALSE(key.contains(brellox::IID_clsAccess.toString())) << key.toStdString();
        EXPECT_FALSE(key.contains(brellox::LIBID_Brellox.toString())) << key.toStdString();
    }
    EXPECT_TRUE(registry().hasKey(com::classKey(blanktest::CLSID_BlankTest)));
}

TEST_F(Registration, ActivatedByProgIdInAFreshProcess) {
    const Run r = run(QStringLiteral(COM_HELPER),
                      {QStringLiteral("activate"), QStringLiteral("Brellox.clsAccess"),
                       brellox::IID_clsAccess.toString()});
    EXPECT_FALSE(r.crashed);
    EXPECT_TRUE(r.out.contains(QLatin1String("hr=0x00000000"))) << r.out.toStdString();
}

TEST_F(Registration, IdentityDataIsReadFromTheBuiltFile) {
    QString error;
    const auto res = com::readResources(library, &error);
    ASSERT_TRUE(res) << error.toStdString();
    const QByteArray blob = res->data.value(QStringLiteral("_IID_CLSACCESS"));
    const QByteArray expected = QByteArray::fromHex("10000000"
                                                    "0B0511E77EE5954AA4DD9269594914B0");
    EXPECT_EQ(blob, expected);
    const struct {
        const char* name;
        const char* value;
    } strings[] = {
        {"ProductName", "Brellox"},
        {"InternalName", "Brellox"},
        {"OriginalFilename", "libBrellox.so"},
        {"FileVersion", "1.00"},
        {"ProductVersion", "1.00"},
        {"OLESelfRegister", ""},
    };
    for (const auto& s : strings) {
        ASSERT_TRUE(res->versionStrings.contains(QString::fromLatin1(s.name))) << s.name;
        EXPECT_EQ(res->versionStrings.value(QString::fromLatin1(s.name)),
                  QString::fromLatin1(s.value));
    }
    EXPECT_EQ(QFileInfo(library).fileName(), QStringLiteral("libBrellox.so"));
}

TEST_F(Registration, UnloadableOnlyWithoutObjectsAndLocks) {
    void* handle = nullptr;
    ASSERT_EQ(com::loadLibrary(library, &handle), com::S_OK);
    const auto canUnload =
        reinterpret_cast<com::DllCanUnloadNowFn>(com::librarySymbol(handle, "DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), com::S_FALSE); // the fixture's object
    access.reset();
    EXPECT_EQ(canUnload(), com::S_OK);
    com::Ptr<com::IClassFactory> factory;
    ASSERT_EQ(
        com::CoGetClassObject(brellox::CLSID_clsAccess, com::IID_IClassFactory, factory.putVoid()),
        com::S_OK);
    factory->LockServer(true);
    factory.reset();
    EXPECT_EQ(canUnload(), com::S_FALSE);
    ASSERT_EQ(
        com::CoGetClassObject(brellox::CLSID_clsAccess, com::IID_IClassFactory, factory.putVoid()),
        com::S_OK);
    factory->LockServer(false);
    factory.reset();
    EXPECT_EQ(canUnload(), com::S_OK);
    void* nothing = nullptr;
    const auto getClassObject =
        reinterpret_cast<com::DllGetClassObjectFn>(com::librarySymbol(handle, "DllGetClassObject"));
    EXPECT_EQ(getClassObject(blanktest::CLSID_BlankTest, com::IID_IClassFactory, &nothing),
              com::CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(Registration, TheDefaultInstanceIsOneObjectForTheProcess) {
    com::Ptr<brellox::_clsAccess> first;
    com::Ptr<brellox::_clsAccess> second;
    ASSERT_EQ(brellox::application(&first), com::S_OK);
    ASSERT_EQ(brellox::application(&second), com::S_OK);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_NE(first.get(), access.get());
}

} // namespace
