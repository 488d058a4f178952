// The start-up sequence driven through the real window: making the
// register from the template, the legacy seam, the restored order, the
// filters' state at start, and each failure ending with its message and
// nothing created.

#include "platform/settings/settings.h"
#include "session/program_state.h"
#include "startup_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace {

void saveOrder(const QString& order) {
    ASSERT_TRUE(platform::settings::SaveSetting(
        QStringLiteral("Arkelby"), QStringLiteral("Default"), QStringLiteral("Order"), order));
}

QStringList comboItems(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST_F(StartupTest, NewRegisterFromTemplateIsEmptyAndFiltersStartCleared) {
    frmMain& w = start();
    EXPECT_EQ(session::program::dbMain.location(), registerLocation());
    EXPECT_EQ(session::program::dbMain.integrityCheck(), QStringLiteral("ok"));
    EXPECT_EQ(w.grdInfo->model()->rowCount(), 0);
    EXPECT_EQ(w.dtaDocuments->recordSource(),
              QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"));
    EXPECT_FALSE(w.chkFilterOn->isChecked());
    EXPECT_FALSE(w.bFilterOn());
    EXPECT_EQ(comboItems(w.cmbType), QStringList{QStringLiteral("ALL")});
    EXPECT_EQ(w.cmbType->currentIndex(), 0);
    EXPECT_EQ(comboItems(w.cmbDate), (QStringList{"ALL", "Last 30 days", "Last 60 days",
                                                  "Last 90 days", "Last Year", "No Date"}));
    EXPECT_EQ(w.cmbDate->currentIndex(), 0);
    for (const QLineEdit* t : {w.txtFilterDesc, w.txtFilterWho, w.txtFilterNote})
        EXPECT_TRUE(t->text().isEmpty());
    EXPECT_TRUE(w.Order[0]->isChecked());
    EXPECT_TRUE(w.lblSetAsDefaultOk->isHidden());
    EXPECT_EQ(session::program::TypeRecordPtrs, std::vector<qint16>{0});
    for (const auto& rs :
         {session::program::rsRecordPtr, session::program::rsDescription, session::program::rsWho})
        ASSERT_TRUE(rs && rs->isOpen());
    EXPECT_EQ(session::program::rsWho->index(), QStringLiteral("Who"));
    // Only the register and its lock file; no temporary copy is left (and
    // nothing at all beside a server register).
    const QStringList expected =
        onServer() ? QStringList() : QStringList{"Veld.MDB", "Veld.MDB.lck"};
    EXPECT_EQ(files(), expected);
}

TEST_F(StartupTest, TypesAndDocumentsOfAnExistingRegisterAreListed) {
    makeRegister({{1, "Lease"}, {3, "Deed"}, {2, "Contract"}});
    {
        auto db = store::Database::open(registerLocation());
        auto rs = db.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table);
        for (const char* name : {"Letter", "Invoice"}) {
            rs->addNew();
            rs->setField(QStringLiteral("Type"), QLatin1String(name));
            rs->update();
        }
    }
    frmMain& w = start();
    EXPECT_EQ(gridColumn(1), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(comboItems(w.cmbType), (QStringList{"ALL", "Invoice", "Letter"}));
    // The list's first row is current, and the grid shows it.
    EXPECT_EQ(w.dtaDocuments->recordset()->field(QStringLiteral("ID")).toInt(), 3);
    EXPECT_EQ(w.grdInfo->currentIndex().row(), 0);
}

TEST_F(StartupTest, LegacyImportRunsOnlyIntoARegisterThisStartMade) {
    struct Case {
        bool registerExists;
        bool legacyFile;
        bool hookSet;
        int expectedRuns;
    };
    const Case cases[] = {{false, true, true, 1},
                          {false, false, true, 0},
                          {true, true, true, 0},
                          {false, true, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.registerExists << c.legacyFile << c.hookSet);
        QDir(data.path()).removeRecursively();
        QDir().mkpath(data.path());
        session::program::reset();
        dropRegister();
        if (c.registerExists)
            makeRegister({{7, "Old"}});
        if (c.legacyFile)
            writeFile(dataFile(QStringLiteral("Document.DBF")), "legacy");
        int runs = 0;
        options.importLegacy = {};
        if (c.hookSet)
            options.importLegacy = [this, &runs](const store::Database& newRegister) {
                ++runs;
                // The import fills the new register before anyone else can
                // see it: a file before it gets its name, a server register
                // inside the transaction that makes it.
                EXPECT_EQ(errorOf([this] { store::Database::open(registerLocation()); }),
                          store::err::FileNotFound);
                auto rs = newRegister.openRecordset(QStringLiteral("Documents"),
                                                    store::RecordsetType::Table);
                rs->addNew();
                rs->setField(QStringLiteral("ID"), 42);
                rs->setField(QStringLiteral("Description"), QStringLiteral("Imported"));
                rs->update();
            };
        frmMain& w = start();
        EXPECT_EQ(runs, c.expectedRuns);
        if (c.expectedRuns) {
            EXPECT_EQ(gridColumn(0), QStringList{QStringLiteral("Imported")});
        }
        EXPECT_TRUE(QFileInfo::exists(dataFile(QStringLiteral("Document.DBF"))) == c.legacyFile);
        (void)w;
    }
}

TEST_F(StartupTest, SavedOrderChoosesOptionAndSortsTheList) {
    struct Case {
        const char* saved; ///< nullptr: no stored value
        int option;
        const char* orderBy;
        QStringList ids;
    };
    const Case cases[] = {
        {"DESCRIPTION", 1, "DESCRIPTION", {"3", "1", "2"}},
        {"ID", 2, "ID", {"1", "2", "3"}},
        {"ID DESC", 0, "ID DESC", {"3", "2", "1"}},
        {"Who DESC, ID", 0, "Who DESC, ID", {"1", "2", "3"}}, // used unchanged
        {"description", 0, "description", {"3", "1", "2"}},   // exact comparison
        {"   ", 0, "ID DESC", {"3", "2", "1"}},
        {nullptr, 0, "ID DESC", {"3", "2", "1"}},
        {"NoSuchField", 0, "ID DESC", {"3", "2", "1"}}, // refused by the query: falls back
    };
    makeRegister({{2, "Beta"}, {1, "Alpha"}, {3, "Aardvark"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.saved ? c.saved : "(none)");
        QFile::remove(platform::settings::settingsFile(QStringLiteral("Arkelby")));
        if (c.saved)
            saveOrder(QLatin1String(c.saved));
        session::program::reset();
        frmMain& w = start();
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(w.Order[static_cast<size_t>(k)]->isChecked(), k == c.option) << k;
        EXPECT_EQ(w.sOrderBy(), QLatin1String(c.orderBy));
        EXPECT_EQ(w.dtaDocuments->recordSource(),
                  "SELECT * FROM Documents ORDER BY " + QLatin1String(c.orderBy));
        EXPECT_EQ(gridColumn(1), c.ids);
    }
}

TEST_F(StartupTest, FailuresAreReportedAndLeaveTheFolderAsItWas) {
    struct Case {
        const char* what;
        std::function<void(StartupTest&)> prepare;
        QStringList mentions; ///< texts the message must contain
    };
    const QByteArray garbage = "This is a letter, not a register.\n";
    const Case cases[] = {
        {"no template anywhere",
         [](StartupTest& t) { t.options.templateFolders = {t.templates.path()}; },
         {"Veld.MDB", "VeldDef.MDB"}},
        {"template is not a database",
         [&](StartupTest& t) {
             writeFile(t.templates.filePath(QStringLiteral("VeldDef.MDB")), garbage);
             t.options.templateFolders = {t.templates.path()};
         },
         {"VeldDef.MDB", "not a database"}},
        {"register is not a database",
         [&](StartupTest& t) { writeFile(t.dataFile(QStringLiteral("Veld.MDB")), garbage); },
         {"Veld.MDB", "could not be opened"}},
        {"register is a folder",
         [](StartupTest& t) { QDir(t.data.path()).mkdir(QStringLiteral("Veld.MDB")); },
         {"Veld.MDB", "folder"}},
        {"database without the register's tables",
         [](StartupTest& t) {
             auto db = store::Database::create(t.dataFile(QStringLiteral("Other.db")));
             db.execute(QStringLiteral("DROP TABLE Types"));
             db = store::Database();
             QFile::rename(t.dataFile(QStringLiteral("Other.db")),
                           t.dataFile(QStringLiteral("Veld.MDB")));
             QFile::remove(t.dataFile(QStringLiteral("Other.db.lck")));
         },
         {"Veld.MDB", "Types"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(data.path()).removeRecursively();
        QDir().mkpath(data.path());
        options.templateFolders = {data.path(), QStringLiteral(TEMPLATE_DIR)};
        session::program::reset();
        c.prepare(*this);
        const QStringList before = files();
        QByteArray contents;
        if (QFileInfo(dataFile(QStringLiteral("Veld.MDB"))).isFile()) {
            QFile f(dataFile(QStringLiteral("Veld.MDB")));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            contents = f.readAll();
        }
        const auto [status, text] = startReporting();
        EXPECT_NE(status, 0);
        EXPECT_TRUE(text.startsWith(QStringLiteral("tolvane|"))) << text.toStdString();
        for (const QString& m : c.mentions)
            EXPECT_TRUE(text.contains(m)) << text.toStdString();
        EXPECT_EQ(files(), before);
        if (!contents.isEmpty()) {
            QFile f(dataFile(QStringLiteral("Veld.MDB")));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), contents);
        }
    }
}

TEST_F(StartupTest, ListThatCannotBeReadIsReported) {
    // A register whose Documents table lacks the list's fields.
    {
        auto db = store::Database::create(dataFile(QStringLiteral("Veld.MDB")));
        db.execute(QStringLiteral("DROP TABLE Documents"));
        db.execute(QStringLiteral("CREATE TABLE Documents (Something TEXT)"));
    }
    const auto [status, text] = startReporting();
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("document list"))) << text.toStdString();
    EXPECT_TRUE(text.contains(dataFile(QStringLiteral("Veld.MDB")))) << text.toStdString();
}
