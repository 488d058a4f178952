// The main window as a user meets it: the grid and the list's recordset
// following each other, the grid's read-only set-up, the default button,
// the menu, proportions kept on resize, and closing.

#include "startup_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

class WindowTest : public StartupTest {};

TEST_F(WindowTest, GridAndListRecordsetFollowEachOther) {
    makeNumbered(50);
    frmMain& w = startShown();
    store::Recordset& rs = *w.dtaDocuments->recordset();
    // A recordset move selects the row and scrolls it into view.
    rs.moveLast();
    EXPECT_EQ(w.grdInfo->currentIndex().row(), 49);
    EXPECT_TRUE(w.grdInfo->selectionModel()->isRowSelected(49, {}));
    EXPECT_GT(w.grdInfo->verticalScrollBar()->value(), 0);
    rs.moveFirst();
    EXPECT_EQ(w.grdInfo->currentIndex().row(), 0);
    // A click and the arrow keys move the recordset.
    const QRect third = w.grdInfo->visualRect(w.grdInfo->model()->index(2, 1));
    QTest::mouseClick(w.grdInfo->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(rs.field(QStringLiteral("ID")).toInt(), 48);
    QTest::keyClick(w.grdInfo, Qt::Key_Down);
    EXPECT_EQ(rs.field(QStringLiteral("ID")).toInt(), 47);
    QTest::keyClick(w.grdInfo, Qt::Key_Up);
    QTest::keyClick(w.grdInfo, Qt::Key_Up);
    EXPECT_EQ(rs.field(QStringLiteral("ID")).toInt(), 49);
    // A re-run of the list shows the new rows from the first.
    rs.moveLast();
    rs.deleteCurrent();
    rs.requery();
    EXPECT_EQ(w.grdInfo->model()->rowCount(), 49);
    EXPECT_EQ(w.grdInfo->currentIndex().row(), 0);
}

TEST_F(WindowTest, GridIsAReadOnlyRowListWithAVerticalScrollBarOnly) {
    makeNumbered(30);
    frmMain& w = startShown();
    const auto* g = w.grdInfo;
    EXPECT_EQ(g->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(g->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(g->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(g->verticalHeader()->isHidden());
    EXPECT_FALSE(g->horizontalHeader()->sectionsMovable());
    EXPECT_FALSE(g->horizontalHeader()->isHidden());
    EXPECT_EQ(g->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Description"));
    EXPECT_EQ(g->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ID"));
    // Typing into the grid changes nothing.
    QTest::keyClicks(w.grdInfo, QStringLiteral("xyz"));
    QTest::keyClick(w.grdInfo, Qt::Key_F2);
    EXPECT_EQ(w.dtaDocuments->recordset()->editMode(), store::EditMode::None);
    EXPECT_EQ(gridColumn(0).first(), QStringLiteral("Document 0030"));
}

TEST_F(WindowTest, ControlsCarryTheirNamesCaptionsAndAccessibleNames) {
    frmMain& w = start();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Arkelby"));
    const std::pair<const char*, const char*> captions[] = {{"cmdAdd", "&Add"},
                                                            {"cmdChange", "Change"},
                                                            {"cmdDelete", "Delete"},
                                                            {"Order0", "ID (descending)"},
                                                            {"Order1", "Description"},
                                                            {"Order2", "ID"},
                                                            {"cmdSetAsDefault", "Set as default"},
                                                            {"chkFilterOn", "Filter On"},
                                                            {"lblSetAsDefaultOk", "SET"}};
    for (const auto& [name, caption] : captions) {
        const auto* b = w.findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(b, nullptr) << name;
        const QString text = b->property("text").toString();
        EXPECT_EQ(text, QLatin1String(caption)) << name;
    }
    EXPECT_TRUE(w.cmdChange->isDefault());
    for (const char* name : {"lblID", "lblDesc", "lblType", "lblDate", "lblWho", "lblNote"})
        EXPECT_TRUE(w.findChild<QLabel*>(QLatin1String(name))->text().isEmpty()) << name;
    for (QWidget* c : std::initializer_list<QWidget*>{w.cmbType, w.cmbDate, w.txtFilterDesc,
                                                      w.txtFilterWho, w.txtFilterNote, w.grdInfo})
        EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
    EXPECT_TRUE(w.cmbType->isEditable());
    EXPECT_FALSE(w.cmbDate->isEditable());
    EXPECT_FALSE(w.tmrSetAsDefault->isActive());
    EXPECT_EQ(w.tmrSetAsDefault->interval(), 1000);
    EXPECT_EQ(w.helpFile(), dataFile(QStringLiteral("Veld.Hlp")));
    // The background picture is built into the program.
    EXPECT_FALSE(QPixmap(QStringLiteral(":/main_window/background.png")).isNull());
    EXPECT_EQ(w.centralWidget()->objectName(), QStringLiteral("Image1"));
}

TEST_F(WindowTest, MenuHasItsItemsAndShortcuts) {
    frmMain& w = start();
    QStringList menus;
    for (QAction* a : w.menuBar()->actions())
        menus << a->text().remove('&');
    EXPECT_EQ(menus, (QStringList{"File", "Maintenance", "Help"}));
    EXPECT_EQ(w.mnuFilePrint->text().remove('&'), QStringLiteral("Print..."));
    EXPECT_EQ(w.mnuFilePrint->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(w.mnuMaintenanceTypes->text().remove('&'), QStringLiteral("Manage Types..."));
    EXPECT_EQ(w.mnuMaintenanceTypes->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    EXPECT_EQ(w.mnuHelpContents->text().remove('&'), QStringLiteral("Contents..."));
    EXPECT_EQ(w.mnuHelpAbout->text().remove('&'), QStringLiteral("About..."));
    const QList<QAction*> file =
        w.mnuFilePrint->associatedObjects().isEmpty()
            ? QList<QAction*>{}
            : qobject_cast<QMenu*>(w.mnuFilePrint->associatedObjects().first())->actions();
    ASSERT_EQ(file.size(), 5);
    EXPECT_EQ(file[0], w.mnuFileExportList);
    EXPECT_EQ(w.mnuFileExportList->text().remove('&'), QStringLiteral("Export List..."));
    EXPECT_EQ(file[1], w.mnuFilePrint);
    EXPECT_EQ(file[2]->objectName(), QStringLiteral("mnuFileBackUp"));
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_EQ(file[4], w.mnuFileExit);
}

TEST_F(WindowTest, EnterPressesTheChangeButton) {
    makeNumbered(3);
    frmMain& w = startShown();
    QSignalSpy clicked(w.cmdChange, &QPushButton::clicked);
    // Change runs up to the query library, which empty component
    // registries cannot provide: it says so in a box.
    QTemporaryDir registry;
    qputenv("TOLVANE_COM_REGISTRY", QFile::encodeName(registry.filePath(QStringLiteral("none"))));
    qputenv("TOLVANE_COM_MACHINE_REGISTRY",
            QFile::encodeName(registry.filePath(QStringLiteral("none either"))));
    int editorOpened = 0;
    w.windows.editor = [&editorOpened](store::RecordsetPtr, QWidget*) { ++editorOpened; };
    QString text;
    QTimer::singleShot(0, [&text] { answerBox(&text); });
    w.grdInfo->setFocus();
    QTest::keyClick(w.grdInfo, Qt::Key_Return);
    qunsetenv("TOLVANE_COM_REGISTRY");
    qunsetenv("TOLVANE_COM_MACHINE_REGISTRY");
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("query library"))) << text.toStdString();
    EXPECT_EQ(editorOpened, 0);
}

TEST_F(WindowTest, ResizingKeepsEachAreasShareOfTheWindow) {
    makeNumbered(3);
    frmMain& w = startShown();
    auto shares = [&w] {
        const QSize c = w.centralWidget()->size();
        return std::array<double, 3>{double(w.ElasticOne1->width()) / c.width(),
                                     double(w.panView->height()) / c.height(),
                                     double(w.ElasticOne2->height()) / c.height()};
    };
    w.resize(800, 520);
    QTest::qWait(20);
    const auto small = shares();
    w.resize(1600, 1040);
    QTest::qWait(20);
    const auto large = shares();
    for (size_t i = 0; i < small.size(); ++i)
        EXPECT_NEAR(small[i], large[i], 0.05) << i;
    EXPECT_NEAR(large[0], 5.0 / 11.0, 0.05);
}

TEST_F(WindowTest, CloseBoxAndExitEndTheProgram) {
    for (const bool byMenu : {false, true}) {
        SCOPED_TRACE(byMenu ? "File > Exit" : "close box");
        session::program::reset();
        QFile::remove(dataFile(QStringLiteral("Veld.MDB")));
        makeNumbered(2);
        frmMain& w = startShown();
        QTimer::singleShot(0, &w, [&w, byMenu] {
            if (byMenu)
                w.mnuFileExit->trigger();
            else
                w.close();
        });
        // The event loop ends at once, with status 0, and nothing asks.
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_FALSE(w.isVisible());
        QFile::remove(dataFile(QStringLiteral("Veld.MDB.lck")));
    }
}
