// The register file as a new user may break it: damaged (random bytes,
// cut short, emptied), read-only, or deleted while the program runs, and a
// settings file full of garbage. A start on a damaged register must say
// which file is wrong and leave its bytes alone; a register that cannot be
// written opens read only with its changes off, and refuses any change
// instead of pretending to keep it.

#include "hardening_fixture.h"
#include "store/engine_error.h"
#include "support/error_of.h"

#include <cstdio>
#include <unistd.h>

using hardening::randomBytes;
using hardening::readAll;
using hardening::writeAll;

namespace {

QList<std::pair<int, QString>> tenDocuments() {
    QList<std::pair<int, QString>> docs;
    for (int i = 1; i <= 10; ++i)
        docs.append({i, QStringLiteral("Document %1").arg(i)});
    return docs;
}

} // namespace

TEST_F(HardeningTest, DamagedRegisterIsNamedAndLeftAsItWas) {
    // A real register with ten documents, whose bytes the cases cut or spoil.
    makeRegister(tenDocuments());
    const QByteArray good = readAll(dataFile(QStringLiteral("Veld.MDB")));
    ASSERT_GT(good.size(), 4096);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    QByteArray headerKept = good;
    headerKept.replace(100, 4000, randomBytes(4000, 7));
    const Case cases[] = {
        {"random bytes", randomBytes(20000, 1)},
        {"cut after the first page", good.left(4096)},
        {"cut inside the header", good.left(60)},
        {"pages overwritten after the header", headerKept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(data.path()).removeRecursively();
        QDir().mkpath(data.path());
        session::program::reset();
        writeAll(dataFile(QStringLiteral("Veld.MDB")), c.bytes);
        const QStringList before = files();

        const auto [status, text] = startAnswering();
        std::printf("[%s] shown: %s\n", c.what, qPrintable(text));
        EXPECT_EQ(status, 1);
        EXPECT_TRUE(text.startsWith(QStringLiteral("tolvane|"))) << text.toStdString();
        EXPECT_TRUE(text.contains(dataFile(QStringLiteral("Veld.MDB")))) << text.toStdString();
        EXPECT_EQ(files(), before);
        EXPECT_EQ(readAll(dataFile(QStringLiteral("Veld.MDB"))), c.bytes);
        window.reset();
    }
}

TEST_F(HardeningTest, EmptiedRegisterIsReportedNotFilledIn) {
    // A zero-byte Veld.MDB (a failed copy, say) is an empty SQLite file: the
    // start must name the missing tables and not quietly make a register.
    writeAll(dataFile(QStringLiteral("Veld.MDB")), {});
    const auto [status, text] = startAnswering();
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("Veld.MDB"))) << text.toStdString();
    EXPECT_EQ(QFileInfo(dataFile(QStringLiteral("Veld.MDB"))).size(), 0);
}

TEST_F(HardeningTest, ReadOnlyRegisterOpensReadOnlyWithItsChangesOff) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root; run as an unprivileged user";
    makeRegister(tenDocuments());
    const QString file = dataFile(QStringLiteral("Veld.MDB"));
    const QByteArray stored = readAll(file);
    struct Case {
        const char* what;
        QFile::Permissions fileMode, folderMode;
    };
    const auto rw = QFile::ReadOwner | QFile::WriteOwner;
    const Case cases[] = {
        {"read-only file", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther,
         rw | QFile::ExeOwner},
        {"read-only folder", rw, QFile::ReadOwner | QFile::ExeOwner},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::setPermissions(file, c.fileMode);
        QFile::setPermissions(data.path(), c.folderMode);
        const QStringList before = files();

        // The user may read: the list is there, the title says read only,
        // and what would change the register is off rather than failing at
        // the first Update with the user's typing lost.
        const auto [status, text] = startAnswering();
        EXPECT_EQ(status, 0) << text.toStdString();
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Arkelby (read only)"));
        EXPECT_EQ(window->grdInfo->model()->rowCount(), 10);
        for (const QWidget* off : {window->cmdAdd, window->cmdChange, window->cmdDelete})
            EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
        EXPECT_FALSE(window->mnuMaintenanceTypes->isEnabled());
        // Anything attempted anyway is refused by the engine.
        EXPECT_EQ(errorOf([] { session::program::rsRecordPtr->addNew(); }), store::err::ReadOnly);
        window.reset();
        session::program::reset();
        EXPECT_EQ(files(), before) << "no lock file or journal is made";
        EXPECT_EQ(readAll(file), stored);
        QFile::setPermissions(data.path(), rw | QFile::ExeOwner);
    }
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(HardeningTest, RegisterDeletedWhileRunningRefusesChanges) {
    // Deleting the file under a running program: SQLite still holds the
    // unlinked file, so a write that "succeeded" would vanish at exit. The
    // engine must refuse it so the user learns the register is gone.
    makeRegister(tenDocuments());
    start();
    ASSERT_TRUE(QFile::remove(dataFile(QStringLiteral("Veld.MDB"))));
    auto& rs = session::program::rsRecordPtr;
    ASSERT_TRUE(rs);
    try {
        rs->addNew();
        rs->setField(QStringLiteral("ID"), 11);
        rs->setField(QStringLiteral("Description"), QStringLiteral("Eleventh"));
        rs->update();
        ADD_FAILURE() << "a document was stored into a deleted register";
    } catch (const store::EngineError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("deleted or moved")))
            << e.text().toStdString();
    }
}

TEST_F(HardeningTest, GarbageSettingsStartWithTheDefaultOrderAndLoseNothing) {
    struct Case {
        const char* what;
        QByteArray contents;
    };
    const Case cases[] = {
        {"random bytes", randomBytes(5000, 3)},
        {"order naming no field", "[Default]\nOrder=Colour DESC\n"},
        {"order carrying a second statement", "[Default]\nOrder=ID; DELETE FROM Documents\n"},
        {"order with a quote", "[Default]\nOrder=\"ID'\n"},
        {"broken section", "[Default\nOrder\n=\n\x01\x02\xff\n"},
    };
    makeRegister(tenDocuments());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        session::program::reset();
        const QString settings = config.filePath(QStringLiteral("Arkelby/Arkelby.conf"));
        QDir().mkpath(QFileInfo(settings).path());
        writeAll(settings, c.contents);

        const auto [status, text] = startAnswering();
        EXPECT_EQ(status, 0) << text.toStdString();
        EXPECT_EQ(window->grdInfo->model()->rowCount(), 10);
        window.reset();
        session::program::reset();
        EXPECT_EQ(storedDocuments(), 10);
    }
}
