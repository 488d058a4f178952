// regsvr: registering and unregistering through a library's own exports,
// and its exit status and message for each failure.

#include "platform/com/registration.h"
#include "private_registry.h"
#include "test_component.h"

#include <QFileInfo>

namespace {

class Regsvr : public PrivateRegistry {
protected:
    const QString classKey = com::classKey(comtest::CLSID_Counter);
};

TEST_F(Regsvr, RegistersTheAbsolutePathAndUnregistersEverything) {
    const QFileInfo lib(QStringLiteral(TEST_COMPONENT));
    com::RegistryTree before;
    before.setValue(QStringLiteral("Unrelated\\Key"), {}, QStringLiteral("stays"));
    writeRegistry(before);

    // A bare file name, run from the library's folder: the registry must get
    // the full path, not a name the loader would look up elsewhere.
    Run r = run(QStringLiteral(REGSVR_TOOL), {lib.fileName()}, lib.absolutePath());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String("succeeded")));
    com::RegistryTree tree = registry();
    EXPECT_EQ(tree.value(classKey + QStringLiteral("\\InprocServer32")), lib.absoluteFilePath());
    EXPECT_EQ(tree.value(QString::fromLatin1(comtest::ProgId) + QStringLiteral("\\Clsid")),
              comtest::CLSID_Counter.toString());

    r = run(QStringLiteral(REGSVR_TOOL), {QStringLiteral("-u"), lib.absoluteFilePath()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(registry().keys(), before.keys());
}

TEST_F(Regsvr, UnregisteringKeepsAProgIdNowOwnedByAnotherClass) {
    com::RegistryTree tree;
    com::registerClass(tree, {.clsid = comtest::CLSID_Unserved,
                              .description = QStringLiteral("other"),
                              .progId = QString::fromLatin1(comtest::ProgId),
                              .libraryPath = QStringLiteral("/elsewhere.so")});
    writeRegistry(tree);
    const Run r =
        run(QStringLiteral(REGSVR_TOOL), {QStringLiteral("-u"), QStringLiteral(TEST_COMPONENT)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(registry().value(QString::fromLatin1(comtest::ProgId) + QStringLiteral("\\Clsid")),
              comtest::CLSID_Unserved.toString());
}

TEST_F(Regsvr, EachFailureHasItsExitStatusAndMessage) {
    qputenv(comtest::kFailRegisterVariable, "1");
    const struct {
        const char* what;
        QStringList args;
        int status;
        QString mentions;
    } cases[] = {
        {"no arguments", {}, 1, QStringLiteral("usage")},
        {"two libraries",
         {QStringLiteral("a.so"), QStringLiteral("b.so")},
         1,
         QStringLiteral("usage")},
        {"unknown option",
         {QStringLiteral("-x"), QStringLiteral("a.so")},
         1,
         QStringLiteral("usage")},
        {"missing file", {path(QStringLiteral("nothing.so"))}, 2, QStringLiteral("nothing.so")},
        {"no export", {QStringLiteral(NOEXPORT_COMPONENT)}, 3, QStringLiteral("DllRegisterServer")},
        {"no export (unregister)",
         {QStringLiteral("-u"), QStringLiteral(NOEXPORT_COMPONENT)},
         3,
         QStringLiteral("DllUnregisterServer")},
        {"registration refused",
         {QStringLiteral(TEST_COMPONENT)},
         4,
         QStringLiteral("0x80040201: Registration refused on request.")},
    };
    for (const auto& c : cases) {
        const Run r = run(QStringLiteral(REGSVR_TOOL), c.args);
        EXPECT_FALSE(r.crashed) << c.what;
        EXPECT_EQ(r.exitCode, c.status) << c.what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.mentions)) << c.what << ": " << r.err.toStdString();
    }
    qunsetenv(comtest::kFailRegisterVariable);
    EXPECT_TRUE(registry().isEmpty());
}

} // namespace
