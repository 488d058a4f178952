// Private copies: safe names, a private read-only file, removal.

#include "platform/documents/private_copy.h"
#include "platform/failure/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using documents::PrivateCopy;

TEST(PrivateCopy, NamesLoseFoldersControlsAndLeadingDotsButKeepTheirExtension) {
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("../../etc/passwd")), QStringLiteral("passwd"));
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("C:\\Scans\\letter.pdf")),
              QStringLiteral("letter.pdf"));
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("-rf .pdf")), QStringLiteral("rf .pdf"));
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("..bashrc")), QStringLiteral("bashrc"));
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("a\nb\tc\x7f.txt")), QStringLiteral("abc.txt"));
    // A right-to-left override would show "fdp.exe" as "exe.pdf".
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("invoice\u202Efdp.exe")),
              QStringLiteral("invoicefdp.exe"));
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("")), QStringLiteral("file"));
    EXPECT_EQ(PrivateCopy::safeName(QStringLiteral("/..")), QStringLiteral("file"));

    const QString longName = QString(300, QChar(0x00e9)) + QStringLiteral(".tiff");
    const QString safe = PrivateCopy::safeName(longName);
    EXPECT_LE(safe.toUtf8().size(), 200);
    EXPECT_TRUE(safe.endsWith(QStringLiteral(".tiff")));
    const QString emoji = QString(120, QChar(0x263a)) + QStringLiteral("\U0001F600.pdf");
    EXPECT_FALSE(PrivateCopy::safeName(emoji).toUtf8().contains("\xef\xbf\xbd"));
}

TEST(PrivateCopy, IsReadOnlyInAPrivateFolderAndGoesWithTheObject) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    // What a killed program left is removed; a link is left alone.
    QTemporaryDir elsewhere;
    const QString left = runtime.filePath(QStringLiteral("tolvane-copies-2147483646-AbCdEf"));
    ASSERT_TRUE(QDir().mkpath(left + QStringLiteral("/x")));
    QFile old(left + QStringLiteral("/x/old.pdf")),
        kept(elsewhere.filePath(QStringLiteral("keep")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && kept.open(QIODevice::WriteOnly));
    const QString link = runtime.filePath(QStringLiteral("tolvane-copies-2147483645-AbCdEf"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), link));
    QString path, second;
    {
        PrivateCopy copy(QStringLiteral("../report.pdf"));
        PrivateCopy same(QStringLiteral("report.pdf"));
        ASSERT_EQ(copy.device().write("%PDF-1.4"), 8);
        copy.finish();
        same.finish();
        path = copy.path();
        second = same.path();
        EXPECT_NE(path, second);
        EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("report.pdf"));
        QFile read(path);
        ASSERT_TRUE(read.open(QIODevice::ReadOnly));
        EXPECT_EQ(read.readAll(), QByteArray("%PDF-1.4"));
        struct stat file {
        }, folder{}, program{};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &file), 0);
        EXPECT_EQ(file.st_mode & 0777, 0400u);
        const QString folderPath = QFileInfo(path).path();
        ASSERT_EQ(::lstat(QFile::encodeName(folderPath).constData(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 0777, 0700u);
        ASSERT_EQ(::lstat(QFile::encodeName(QFileInfo(folderPath).path()).constData(), &program),
                  0);
        EXPECT_EQ(program.st_mode & 0777, 0700u);
        EXPECT_TRUE(QFileInfo(folderPath).path().startsWith(runtime.path()));
        EXPECT_FALSE(QFileInfo::exists(left));
        EXPECT_TRUE(QFileInfo::exists(elsewhere.filePath(QStringLiteral("keep"))));
        same.keep();
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(path).path()));
    EXPECT_TRUE(QFileInfo::exists(second)); // kept until the program ends
}
