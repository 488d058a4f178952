#pragma once
// A data folder, a settings folder, a register place (a file in the data
// folder, or a server database: support/register_place.h) and start-up
// options of their own for each test, with helpers to start the real main
// window in them, answer the message box a failing start shows, and list a
// folder's files.

#include "main_window/frm_main.h"
#include "modal_answers.h"
#include "platform/grid/record_grid.h"
#include "session/program_state.h"
#include "store/database.h"
#include "store/recordset.h"
#include "support/error_of.h"
#include "support/qt_printers.h"
#include "support/register_place.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

class StartupTest : public ::testing::Test {
public:
    void SetUp() override {
        if (!place.unavailable().isEmpty())
            GTEST_SKIP() << place.unavailable().toStdString();
        ASSERT_TRUE(data.isValid() && config.isValid() && templates.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        session::program::reset();
        options.dataFolder = data.path();
        options.templateFolders = {data.path(), QStringLiteral(TEMPLATE_DIR)};
        if (place.onServer())
            options.server = place.location();
    }

    void TearDown() override {
        cancelWaits();
        window.reset();
        session::program::reset();
    }

    QString dataFile(const QString& name) const { return data.filePath(name); }

    /// Where the program's register lives: Veld.MDB in the data folder, or
    /// the server database.
    QString registerLocation() const {
        return place.onServer() ? place.location() : dataFile(QStringLiteral("Veld.MDB"));
    }
    bool onServer() const { return place.onServer(); }

    /// Removes the register, whatever it holds, so that the next start
    /// makes it anew.
    void dropRegister() {
        if (place.onServer())
            place.serverSql(
                QStringLiteral("DROP TABLE IF EXISTS documents, types, documenthistory, "
                               "documentfiles, filecontents, filechunks CASCADE"));
    }

    /// Starts a fresh window; the start must succeed.
    frmMain& start() {
        window = std::make_unique<frmMain>();
        window->startUp(options);
        return *window;
    }

    /// Starts a fresh window through startUpOrReport, closing the message
    /// box a failure shows; returns the exit status and the box's text.
    std::pair<int, QString> startReporting() {
        window = std::make_unique<frmMain>();
        QString text;
        QTimer::singleShot(0, [&text] { answerBox(&text); });
        const int status = window->startUpOrReport(options);
        cancelWaits(); // a start that showed no box leaves no wait behind
        return {status, text};
    }

    /// Closes the next message box; `text` gets its "title|text".
    static void answerBox(QString* text) {
        whenModal<QMessageBox>([text](QMessageBox* box) {
            *text = box->windowTitle() + QLatin1Char('|') + box->text();
            box->accept();
        });
    }

    QStringList files() const {
        return QDir(data.path())
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    /// A register in the data folder with the given documents (ID, description).
    void makeRegister(const QList<std::pair<int, QString>>& docs) {
        auto db = store::Database::create(registerLocation());
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        for (const auto& [id, description] : docs) {
            rs->addNew();
            rs->setField(QStringLiteral("ID"), id);
            rs->setField(QStringLiteral("Description"), description);
            rs->update();
        }
    }

    /// A register of documents 1..n called "Document 0001".. .
    void makeNumbered(int n) {
        QList<std::pair<int, QString>> docs;
        for (int i = 1; i <= n; ++i)
            docs.append({i, QStringLiteral("Document %1").arg(i, 4, 10, QLatin1Char('0'))});
        makeRegister(docs);
    }

    /// Starts a fresh window and shows it.
    frmMain& startShown() {
        frmMain& w = start();
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        return w;
    }

    /// The grid's column `column` top to bottom, once the list shows the
    /// latest filters and order.
    QStringList gridColumn(int column) const {
        window->waitForList();
        QStringList out;
        const QAbstractItemModel* m = window->grdInfo->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, column).data().toString();
        return out;
    }

    testsupport::RegisterPlace place;
    QTemporaryDir data, config, templates;
    StartupOptions options;
    std::unique_ptr<frmMain> window;
};
