// Opening and creating register files: the template made by the build, and
// each kind of file that cannot be opened, refused with its own number and
// a text naming the file, without creating or changing anything.

#include "store/engine_error.h"
#include "support/register_fixture.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>
#include <unistd.h>

using store::EngineError;

namespace {

class Opening : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    void write(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    int openError(const QString& file) const {
        try {
            store::Database::open(file);
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.text().contains(QFileInfo(file).fileName())) << e.text().toStdString();
            return e.number();
        }
        return 0;
    }
    QTemporaryDir dir;
};

TEST_F(Opening, TemplateIsAnEmptyRegisterAndCopiesOfItOpen) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(TEMPLATE_FILE), path("Veld.MDB")));
    auto db = store::Database::open(path("Veld.MDB"));
    EXPECT_EQ(db.openRecordset(QStringLiteral("Documents"))->recordCount(), 0);
    EXPECT_EQ(db.openRecordset(QStringLiteral("Types"))->recordCount(), 0);
}

TEST_F(Opening, FilesThatAreNoRegisterAreRefusedUntouched) {
    write("garbage.mdb", QByteArray(4096, 'x'));
    write("empty.mdb", {});
    QDir(dir.path()).mkdir(QStringLiteral("folder.mdb"));
    {
        sqlite3* raw = nullptr;
        sqlite3_open(QFile::encodeName(path("other.db")).constData(), &raw);
        sqlite3_exec(raw, "CREATE TABLE Stuff (x)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    EXPECT_EQ(openError(path("missing.mdb")), store::err::FileNotFound);
    EXPECT_FALSE(QFileInfo::exists(path("missing.mdb"))) << "opening never creates";
    EXPECT_EQ(openError(path("garbage.mdb")), store::err::NotADatabase);
    EXPECT_EQ(QFileInfo(path("garbage.mdb")).size(), 4096);
    EXPECT_EQ(openError(path("empty.mdb")), store::err::NotADatabase);
    EXPECT_EQ(openError(path("folder.mdb")), store::err::NotADatabase);
    EXPECT_EQ(openError(path("other.db")), store::err::NotADatabase);
}

TEST_F(Opening, UnreadableFileIsRefusedWithoutPermission) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    store::Database::create(path("Veld.MDB"));
    QFile::setPermissions(path("Veld.MDB"), QFile::WriteOwner);
    EXPECT_EQ(openError(path("Veld.MDB")), store::err::NoPermission);
    QFile::setPermissions(path("Veld.MDB"), QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(Opening, CreateNeverOverwrites) {
    write("Veld.MDB", "keep");
    EXPECT_THROW(store::Database::create(path("Veld.MDB")), EngineError);
    QFile f(path("Veld.MDB"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "keep");
}

} // namespace
