// The older dBase register as a new user may bring it: an empty table
// file, a table cut short or replaced by random bytes, a notes file that is
// empty or random. The first start imports what can be read and says what
// it could not; a table it cannot read at all is named in the message, no
// register is left behind, and the older files are never changed.

#include "hardening_fixture.h"
#include "legacy/first_start.h"
#include "legacy/legacy_error.h"

#include <cstdio>

using hardening::randomBytes;
using hardening::readAll;
using hardening::writeAll;

class BadLegacy : public HardeningTest {
public:
    void SetUp() override {
        HardeningTest::SetUp();
        if (IsSkipped())
            return;
        // The program's own hook (app/main.cpp).
        options.importLegacy = [folder = options.dataFolder](const store::Database& newRegister) {
            try {
                legacy::importAtFirstStart(newRegister, folder);
            } catch (const legacy::LegacyError& e) {
                throw StartupError(e.text());
            }
        };
    }
};

TEST_F(BadLegacy, BrokenFilesAreReportedOrImportedInPartAndNeverChanged) {
    const QByteArray dbf = readAll(QStringLiteral(SAMPLE_DIR "/Document.DBF"));
    const QByteArray dbt = readAll(QStringLiteral(SAMPLE_DIR "/Document.DBT"));
    ASSERT_GT(dbf.size(), 1000);
    ASSERT_GT(dbt.size(), 1000);
    struct Case {
        const char* what;
        QByteArray table, notes;
        bool starts; ///< whether the start goes on with what it could read
    };
    const Case cases[] = {
        {"empty table file", {}, dbt, false},
        {"random table file", randomBytes(3000, 11), dbt, false},
        {"table cut inside its header", dbf.left(20), dbt, false},
        {"table cut inside its records", dbf.left(dbf.size() - 300), dbt, true},
        {"empty notes file", dbf, {}, true},
        {"random notes file", dbf, randomBytes(dbt.size(), 12), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(data.path()).removeRecursively();
        QDir().mkpath(data.path());
        session::program::reset();
        writeAll(dataFile(QStringLiteral("Document.DBF")), c.table);
        writeAll(dataFile(QStringLiteral("Document.DBT")), c.notes);
        const QStringList before = files();

        const auto [status, text] = startAnswering();
        std::printf("[%s] status %d, shown: %s\n", c.what, status, qPrintable(text));
        if (c.starts) {
            EXPECT_EQ(status, 0) << text.toStdString();
            EXPECT_GT(window->grdInfo->model()->rowCount(), 0);
            EXPECT_FALSE(text.isEmpty()) << "what could not be read must be said";
        } else {
            EXPECT_EQ(status, 1);
            EXPECT_TRUE(text.contains(QStringLiteral("Document.DBF"))) << text.toStdString();
            EXPECT_EQ(files(), before) << "no register may be left behind";
        }
        window.reset();
        session::program::reset();
        EXPECT_EQ(readAll(dataFile(QStringLiteral("Document.DBF"))), c.table);
        EXPECT_EQ(readAll(dataFile(QStringLiteral("Document.DBT"))), c.notes);
    }
}
