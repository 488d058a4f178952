// Reading identity data from a library file without loading it, and
// refusing damaged files and sections without crashing.

#include "platform/com/elf_section.h"
#include "platform/com/resource_data.h"
#include "platform/com/resources.h"
#include "test_component.h"

#include <QFile>
#include <QTemporaryDir>
#include <elf.h>
#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Resources, ReadFromTheBuiltLibrary) {
    QString error;
    const auto res = com::readResources(QStringLiteral(TEST_COMPONENT), &error);
    ASSERT_TRUE(res) << error.toStdString();
    const auto iid = comtest::IID_IValue.bytes();
    QByteArray blob("\x10\0\0\0", 4);
    blob.append(reinterpret_cast<const char*>(iid.data()), 16);
    EXPECT_EQ(res->data.value(QStringLiteral("BLOB")), blob);
    EXPECT_EQ(res->versionStrings.value(QStringLiteral("ProductName")), QStringLiteral("ComTest"));
    EXPECT_EQ(res->versionStrings.value(QStringLiteral("Comments")), QStringLiteral("odd length"));
}

TEST(Resources, EveryTruncationOfASectionIsRefused) {
    constexpr auto section =
        com::res::section(com::res::versionString("A", "abc"),
                          com::res::dataResource("B", com::res::Bytes<3>{1, 2, 3}));
    const QByteArray whole(reinterpret_cast<const char*>(section.data()),
                           static_cast<qsizetype>(section.size()));
    ASSERT_TRUE(com::parseResources(whole));
    for (qsizetype n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(com::parseResources(whole.left(n))) << n;

    QByteArray huge = whole;
    huge[4 + 8] = '\xff'; // first record's data size: far past the end
    huge[4 + 9] = '\xff';
    QString error;
    EXPECT_FALSE(com::parseResources(huge, &error));
    EXPECT_TRUE(error.contains(QLatin1String("past the end")));
}

TEST(Resources, DamagedFilesGiveAReasonNotACrash) {
    QTemporaryDir dir;
    const QByteArray lib = fileBytes(QStringLiteral(TEST_COMPONENT));
    ASSERT_GT(lib.size(), 1024);
    QByteArray hugeTable = lib;
    const quint64 far = 0x7FFFFFFFFFFFFF00ull;
    std::memcpy(hugeTable.data() + offsetof(Elf64_Ehdr, e_shoff), &far, sizeof far);
    QByteArray bigEndian = lib;
    bigEndian[EI_DATA] = ELFDATA2MSB;
    QByteArray badNames = lib;
    const quint16 badIndex = 0xFFF0;
    std::memcpy(badNames.data() + offsetof(Elf64_Ehdr, e_shstrndx), &badIndex, sizeof badIndex);

    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", {}},
        {"text", "just some text, long enough to look like a header of something or other"},
        {"header only", lib.left(sizeof(Elf64_Ehdr))},
        {"first half", lib.left(lib.size() / 2)},
        {"section table far away", hugeTable},
        {"big-endian", bigEndian},
        {"name table index out of range", badNames},
    };
    for (const auto& c : cases) {
        const QString file = dir.filePath(QString::fromLatin1(c.what));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        QString error;
        EXPECT_FALSE(com::readResources(file, &error)) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
    QString error;
    EXPECT_FALSE(com::readResources(dir.filePath(QStringLiteral("absent")), &error));
    QByteArray out;
    EXPECT_FALSE(com::readElfSection(QStringLiteral(NOEXPORT_COMPONENT), ".comres", &out, &error));
    EXPECT_TRUE(error.contains(QLatin1String(".comres")));
    EXPECT_TRUE(com::readElfSection(QStringLiteral(NOEXPORT_COMPONENT), ".text", &out, &error));
}

} // namespace
