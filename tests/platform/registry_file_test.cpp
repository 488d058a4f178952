// The registry files: where they are, reading a missing or unreadable one,
// and changes by several processes at once all landing.

#include "platform/com/machine_registry.h"
#include "private_registry.h"

#include <QDir>
#include <QFileInfo>

namespace {

class RegistryFile : public PrivateRegistry {};

TEST_F(RegistryFile, LocationFollowsTheEnvironment) {
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    const struct {
        const char* own;
        const char* xdg;
        const char* expected;
    } cases[] = {
        {"/tmp/own/reg", "/xdg", "/tmp/own/reg"},
        {"", "/xdg", "/xdg/tolvane/com-registry"},
        {"", "relative/xdg", "/home/someone/.config/tolvane/com-registry"},
        {"", "", "/home/someone/.config/tolvane/com-registry"},
    };
    qputenv("HOME", "/home/someone");
    for (const auto& c : cases) {
        qputenv("TOLVANE_COM_REGISTRY", c.own);
        qputenv("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(com::registryFilePath(), QString::fromLatin1(c.expected)) << c.own << c.xdg;
    }
    qputenv("XDG_CONFIG_HOME", savedXdg);
    qputenv("HOME", savedHome);
}

TEST_F(RegistryFile, MachineWideLocationFollowsTheInstallationPrefix) {
    const QString libDir = QStringLiteral("lib/tolvane");
    const struct {
        const char* libraryFolder;
        const char* expected;
    } cases[] = {
        {"/usr/lib/tolvane", "/var/lib/tolvane/com-registry"},
        {"/usr/bin/../lib/tolvane", "/var/lib/tolvane/com-registry"},
        {"/lib/tolvane", "/var/lib/tolvane/com-registry"},
        {"/usr/local/lib/tolvane", "/usr/local/var/lib/tolvane/com-registry"},
        {"/opt/arkelby/lib/tolvane", "/var/opt/arkelby/lib/tolvane/com-registry"},
        {"/home/someone/.local/lib/tolvane/", "/home/someone/.local/var/lib/tolvane/com-registry"},
        {"/home/someone/src/build/platform/com", ""}, // the build tree: none
        {"/usr/lib", ""},
        {"lib/tolvane", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(com::machineRegistryPathFor(QString::fromLatin1(c.libraryFolder), libDir),
                  QString::fromLatin1(c.expected))
            << c.libraryFolder;
    EXPECT_EQ(com::machineRegistryFilePath(), machineRegistryFile()); // the environment's wins
}

TEST_F(RegistryFile, MissingFileIsAnEmptyRegistry) {
    com::RegistryTree tree;
    tree.setValue(QStringLiteral("stale"), {}, QStringLiteral("x"));
    EXPECT_EQ(com::readRegistry(&tree), com::S_OK);
    EXPECT_TRUE(tree.isEmpty());
}

TEST_F(RegistryFile, UnreadableFileIsReportedNotTakenAsEmpty) {
    ASSERT_TRUE(QDir().mkpath(registryFile())); // a folder where the file should be
    com::RegistryTree tree;
    EXPECT_EQ(com::readRegistry(&tree), com::REGDB_E_READREGDB);
    EXPECT_EQ(com::editRegistry([](com::RegistryTree&) { return com::S_OK; }),
              com::REGDB_E_READREGDB);
}

TEST_F(RegistryFile, EditCreatesTheFolderAndAFailedChangeWritesNothing) {
    qputenv("TOLVANE_COM_REGISTRY", QFile::encodeName(path(QStringLiteral("new/folder/reg"))));
    EXPECT_EQ(com::editRegistry([](com::RegistryTree& t) {
                  return t.setValue(QStringLiteral("A"), {}, QStringLiteral("1"));
              }),
              com::S_OK);
    EXPECT_EQ(registry().value(QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(com::editRegistry([](com::RegistryTree& t) {
                  t.setValue(QStringLiteral("B"), {}, QStringLiteral("2"));
                  return com::E_FAIL;
              }),
              com::E_FAIL);
    EXPECT_FALSE(registry().hasKey(QStringLiteral("B")));
    // Nothing but the file and its lock's leftovers: no temporary files.
    const QStringList files =
        QDir(path(QStringLiteral("new/folder"))).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(files, QStringList{QStringLiteral("reg")});
}

TEST_F(RegistryFile, ConcurrentWritersInSeveralProcessesAllLand) {
    constexpr int kWriters = 4;
    constexpr int kEach = 25;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(COM_HELPER),
                 {QStringLiteral("write"), QStringLiteral("W%1").arg(w), QString::number(kEach)});
        writers.push_back(std::move(p));
    }
    for (auto& p : writers) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardOutput().toStdString();
    }
    const com::RegistryTree tree = registry();
    EXPECT_EQ(tree.keys().size(), kWriters * kEach);
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(tree.value(QStringLiteral("W%1\\%2").arg(w).arg(i)), QString::number(i));
}

} // namespace
