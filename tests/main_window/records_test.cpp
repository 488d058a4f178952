// The record commands and the menu in the real window: Delete (the exact
// question, middle, last and only row, Cancel, a row another Database
// holds, an empty list, no query library), Change and Add with a stand-in
// editor (reservation, the busy message, Enter and double click), "Set as
// default", and the menu's Print, Manage Types and About.

#include "list_fixture.h"
#include "platform/settings/settings.h"
#include "reports/frm_print.h"
#include "session/program_state.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSysInfo>
#include <QTimer>

namespace program = session::program;

namespace {

/// What the stand-in editor saw, and what it does while open.
struct StandInEditor {
    int opened = 0;
    bool addMode = false;
    store::EditMode editModeAtOpen = store::EditMode::None;
    std::function<void(store::Recordset&)> body;
};

} // namespace

class RecordsTest : public ListTest {
protected:
    frmMain& startWithEditor() {
        frmMain& w = startShown();
        w.windows.editor = [this](store::RecordsetPtr list, QWidget*) {
            ++editor.opened;
            editor.addMode = program::gAddMode;
            editor.editModeAtOpen = list->editMode();
            if (editor.body)
                editor.body(*list);
            else if (list->editMode() != store::EditMode::None)
                list->cancelUpdate();
        };
        return w;
    }
    bool exists(int id) const {
        auto rs =
            store::Database::open(registerLocation())
                .openRecordset(QStringLiteral("SELECT ID FROM Documents WHERE ID = %1").arg(id),
                               store::RecordsetType::Snapshot);
        return !rs->eof();
    }
    StandInEditor editor;
};

TEST_F(RecordsTest, DeleteAsksExactlyAndMovesToTheNextRow) {
    registerLibrary();
    makeDocuments({}, {{1, "First"}, {2, "Middle   "}, {3, "Last"}});
    frmMain& w = startShown();
    clickRow(1); // document 2
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { w.cmdDelete->click(); });
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, QStringLiteral("tolvane"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("Delete \"Middle\" (2)"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_FALSE(exists(2));
    EXPECT_EQ(gridColumn(1), (QStringList{"3", "1"}));
    EXPECT_EQ(currentId(), 1);
    EXPECT_EQ(w.lblID->text(), QStringLiteral("1 "));
    EXPECT_EQ(w.focusWidget(), w.grdInfo);

    // The delete's history, newest first, in Maintenance > Document
    // History (Ctrl+H) of a document that is current; Escape closes it.
    auto db = store::Database::open(registerLocation());
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory"));
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->field(QStringLiteral("Action")).toString(), QStringLiteral("Deleted"));
    EXPECT_EQ(rs->field(QStringLiteral("ID")).toInt(), 2);
    EXPECT_EQ(rs->field(QStringLiteral("OldValue")).toString(), QStringLiteral("Middle   "));
    const qint64 first = currentRecordPtr();
    for (const char* entry : {"'Added', NULL, 'First'", "'Changed', 'Description', 'Primo'"})
        db.execute(QStringLiteral("INSERT INTO DocumentHistory (Changed, UserName, RecordPtr, ID, "
                                  "Action, Field, NewValue) VALUES (#3/7/2004#, 'pat', %1, 1, %2)")
                       .arg(first)
                       .arg(QLatin1String(entry)));
    QStringList shown;
    QString title;
    whenModal<QDialog>([&](QDialog* history) {
        title = history->windowTitle();
        const auto* grid = history->findChild<QAbstractItemView*>(QStringLiteral("grdHistory"));
        for (int r = 0; grid && r < grid->model()->rowCount(); ++r)
            shown << grid->model()->index(r, 3).data().toString() + QLatin1Char(' ') +
                         grid->model()->index(r, 6).data().toString();
        QTest::keyClick(history, Qt::Key_Escape);
    });
    ASSERT_TRUE(w.mnuMaintenanceHistory->isEnabled());
    w.mnuMaintenanceHistory->trigger();
    EXPECT_EQ(title, QStringLiteral("Document History"));
    EXPECT_EQ(shown, (QStringList{"Changed Primo", "Added First"}));
}

TEST_F(RecordsTest, DeleteCancelledChangesNothing) {
    registerLibrary();
    makeDocuments({}, {{1, "First"}, {2, "Second"}});
    frmMain& w = startShown();
    clickRow(1);
    const QList<SeenBox> boxes = answering(QMessageBox::Cancel, [&] { w.cmdDelete->click(); });
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(exists(1));
    EXPECT_EQ(currentId(), 1);
    EXPECT_EQ(gridColumn(1), (QStringList{"2", "1"}));
    EXPECT_EQ(w.focusWidget(), w.grdInfo);
}

TEST_F(RecordsTest, HistoryIsOffWithoutACurrentDocument) {
    makeDocuments({}, {});
    frmMain& w = startShown();
    EXPECT_FALSE(w.mnuMaintenanceHistory->isEnabled());
    EXPECT_EQ(w.mnuMaintenanceHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
}

TEST_F(RecordsTest, DeleteOfTheLastAndOfTheOnlyRow) {
    registerLibrary();
    makeDocuments({}, {{1, "First"}, {2, "Second"}});
    frmMain& w = startShown();
    clickRow(1); // document 1, the last row
    answering(QMessageBox::Ok, [&] { w.cmdDelete->click(); });
    EXPECT_EQ(gridColumn(1), (QStringList{"2"}));
    EXPECT_EQ(currentId(), 2);
    EXPECT_EQ(w.lblID->text(), QStringLiteral("2 "));
    EXPECT_FALSE(w.panView->isHidden());
    answering(QMessageBox::Ok, [&] { w.cmdDelete->click(); });
    EXPECT_EQ(w.grdInfo->model()->rowCount(), 0);
    EXPECT_TRUE(w.panView->isHidden());
    // Delete on the empty list does nothing and asks nothing.
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { w.cmdDelete->click(); });
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(RecordsTest, DeleteOfARowAnotherUserHoldsIsReportedAndChangesNothing) {
    registerLibrary();
    makeDocuments({}, {{1, "First"}, {2, "Held"}, {3, "Third"}});
    frmMain& w = startShown();
    store::Database other = store::Database::open(registerLocation());
    auto held = other.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 2"),
                                    store::RecordsetType::Dynaset);
    held->edit();
    clickRow(1);
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { w.cmdDelete->click(); });
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].text.startsWith(QStringLiteral("The document \"Held\" (2) could not be "
                                                        "deleted.")))
        << boxes[1].text.toStdString();
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("locked"))) << boxes[1].text.toStdString();
    EXPECT_TRUE(exists(2));
    EXPECT_EQ(gridColumn(1), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(currentId(), 2);
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("Held "));
    // Once the other user lets go, the delete goes through.
    held->cancelUpdate();
    answering(QMessageBox::Ok, [&] { w.cmdDelete->click(); });
    EXPECT_FALSE(exists(2));
    EXPECT_EQ(currentId(), 1);
}

TEST_F(RecordsTest, MissingQueryLibraryIsReportedByChangeAndDelete) {
    makeDocuments({}, {{1, "First"}});
    frmMain& w = startWithEditor(); // nothing registered
    for (QPushButton* command : {w.cmdChange, w.cmdDelete}) {
        const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { command->click(); });
        ASSERT_EQ(boxes.size(), 1) << command->objectName().toStdString();
        EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("The query library Brellox could "
                                                            "not be started")));
    }
    EXPECT_EQ(editor.opened, 0);
    EXPECT_TRUE(exists(1));
    // Registered later, the library is created at the next command.
    registerLibrary();
    w.cmdChange->click();
    EXPECT_EQ(editor.opened, 1);
    EXPECT_TRUE(program::oAccess);
}

TEST_F(RecordsTest, ChangeReservesTheRowAndRedisplaysAfterTheEditor) {
    registerLibrary();
    makeDocuments({}, {{1, "First"}, {2, "Second"}});
    frmMain& w = startWithEditor();
    clickRow(1);
    editor.body = [](store::Recordset& list) {
        list.edit();
        list.setField(QStringLiteral("Description"), QStringLiteral("Renamed"));
        list.update();
    };
    w.cmdChange->click();
    EXPECT_EQ(editor.opened, 1);
    EXPECT_FALSE(editor.addMode);
    EXPECT_EQ(editor.editModeAtOpen, store::EditMode::Editing);
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("Renamed "));
    EXPECT_EQ(currentId(), 1);
    EXPECT_TRUE(w.grdInfo->hasFocus());
    // Enter in a filter text box and a double click on a row act as Change.
    editor.body = nullptr;
    w.txtFilterDesc->setFocus();
    QTest::keyClick(w.txtFilterDesc, Qt::Key_Return);
    EXPECT_EQ(editor.opened, 2);
    const QRect row = w.grdInfo->visualRect(w.grdInfo->model()->index(0, 0));
    QTest::mouseClick(w.grdInfo->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(w.grdInfo->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(editor.opened, 3);
    EXPECT_EQ(currentId(), 2);
}

TEST_F(RecordsTest, ChangeOfARowAnotherUserEditsShowsTheBusyMessage) {
    registerLibrary();
    makeDocuments({}, {{1, "First"}});
    frmMain& w = startWithEditor();
    store::Database other = store::Database::open(registerLocation());
    auto held = other.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Dynaset);
    held->edit();
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { w.cmdChange->click(); });
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, QStringLiteral("tolvane"));
    // The fixed text, then who holds the row (here: this very user and
    // computer, in another connection) and since when.
    const QStringList paragraphs = boxes[0].text.split(QStringLiteral("\n\n"));
    ASSERT_EQ(paragraphs.size(), 2) << boxes[0].text.toStdString();
    EXPECT_EQ(paragraphs[0], QStringLiteral("Someone else is editing this record.  Please wait "
                                            "and try again, later."));
    EXPECT_TRUE(paragraphs[1].contains(
        QStringLiteral(" on %1 has been changing it since ").arg(QSysInfo::machineHostName())))
        << paragraphs[1].toStdString();
    EXPECT_TRUE(paragraphs[1].endsWith(QStringLiteral("M.")) && !paragraphs[1].contains(u'/'))
        << "a time of today, without the day: " << paragraphs[1].toStdString();
    EXPECT_EQ(boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(editor.opened, 0);
    EXPECT_EQ(w.dtaDocuments->recordset()->editMode(), store::EditMode::None);
}

TEST_F(RecordsTest, ChangeAndDeleteOnAnEmptyListDoNothing) {
    registerLibrary();
    makeDocuments({}, {});
    frmMain& w = startWithEditor();
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] {
        w.cmdChange->click();
        w.cmdDelete->click();
    });
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(editor.opened, 0);
    EXPECT_TRUE(w.panView->isHidden());
}

TEST_F(RecordsTest, AddShowsTheNewDocumentWhenItQualifies) {
    makeNumbered(30);
    frmMain& w = startWithEditor();
    const auto adding = [this](int id, const char* description) {
        editor.body = [id, description](store::Recordset& list) {
            list.addNew();
            list.setField(QStringLiteral("ID"), id);
            list.setField(QStringLiteral("Description"), QLatin1String(description));
            list.update();
            program::gNewDocumentID = id;
        };
    };
    w.Order[2]->click(); // ascending IDs: the new one lands mid-list
    adding(15, "Added fifteen");
    store::Database(program::dbMain).execute(QStringLiteral("DELETE FROM Documents WHERE ID = 15"));
    w.Order[2]->click();
    w.cmdAdd->click();
    EXPECT_TRUE(editor.addMode);
    EXPECT_EQ(currentId(), 15);
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("Added fifteen "));
    EXPECT_LE(rowsInView().first, w.grdInfo->currentIndex().row() - 5);
    EXPECT_TRUE(w.grdInfo->hasFocus());
    // Excluded by the filters: not listed, no message.
    w.chkFilterOn->click();
    typeInto(w.txtFilterDesc, QStringLiteral("document"));
    adding(99, "Something else");
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { w.cmdAdd->click(); });
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(exists(99));
    EXPECT_FALSE(gridColumn(1).contains(QStringLiteral("99")));
    // Nothing added: the list is not re-run.
    editor.body = nullptr;
    w.cmdAdd->click();
    EXPECT_EQ(program::gNewDocumentID, 0);
}

TEST_F(RecordsTest, SetAsDefaultStoresTheOrderAndShowsSetForASecond) {
    makeNumbered(3);
    frmMain& w = startShown();
    w.Order[1]->click();
    w.cmdSetAsDefault->click();
    EXPECT_FALSE(w.lblSetAsDefaultOk->isHidden());
    EXPECT_EQ(platform::settings::GetSetting("Arkelby", "Default", "Order"),
              QStringLiteral("DESCRIPTION"));
    QTest::qWait(700);
    EXPECT_FALSE(w.lblSetAsDefaultOk->isHidden());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.lblSetAsDefaultOk->isHidden(); }, 1000));
    // A later choice is not stored; the next start opens in the saved order
    // with the filters off and cleared.
    w.Order[2]->click();
    w.chkFilterOn->click();
    frmMain& next = start();
    EXPECT_EQ(next.sOrderBy(), QStringLiteral("DESCRIPTION"));
    EXPECT_TRUE(next.Order[1]->isChecked());
    EXPECT_FALSE(next.chkFilterOn->isChecked());
}

TEST_F(RecordsTest, MenuPrintTypesAndAbout) {
    makeDocuments({}, {});
    frmMain& w = startShown();
    QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { w.mnuFilePrint->trigger(); });
    boxes += answering(QMessageBox::Ok, [&] { w.mnuHelpAbout->trigger(); });
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Nothing to print."));
    EXPECT_EQ(boxes[1].text, QStringLiteral("Arkelby - version 3.2.15"));
    for (const SeenBox& box : boxes) {
        EXPECT_EQ(box.title, QStringLiteral("Arkelby"));
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    int typesOpened = 0;
    w.windows.types = [&typesOpened](QWidget*) { ++typesOpened; };
    w.mnuMaintenanceTypes->trigger();
    EXPECT_EQ(typesOpened, 1);

    // With one document the report window opens, modally.
    store::Database(program::dbMain)
        .execute(QStringLiteral("INSERT INTO Documents (ID, Description) VALUES (1, 'x')"));
    w.Order[0]->click();
    QString opened;
    QTimer::singleShot(0, [&opened] {
        if (auto* report = qobject_cast<reports::frmPrint*>(QApplication::activeModalWidget())) {
            opened = report->metaObject()->className();
            report->reject();
        }
    });
    w.mnuFilePrint->trigger();
    EXPECT_EQ(opened, QStringLiteral("reports::frmPrint"));
}

TEST_F(RecordsTest, HelpContentsOpensTheHelpViewer) {
    makeDocuments({}, {});
    frmMain& w = startShown();
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QFile::copy(QStringLiteral(HELP_FILE), dataFile(QStringLiteral("Veld.Hlp"))));
    QDir::setCurrent(data.path());
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] { w.mnuHelpContents->trigger(); });
    QDir::setCurrent(saved);
    EXPECT_TRUE(boxes.isEmpty());
    bool shown = false;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (QLatin1String(top->metaObject()->className()) == QLatin1String("help::HelpViewer"))
            shown = shown || top->isVisible();
    EXPECT_TRUE(shown);
}

TEST_F(RecordsTest, AddAndManageTypesOpenTheRealWindowsModally) {
    makeDocuments({"Invoice"}, {{1, "First"}});
    frmMain& w = startShown();
    const auto closeModal = [](QString* name) {
        QTimer::singleShot(50, [name] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                *name = QLatin1String(dialog->metaObject()->className());
                dialog->reject();
            }
        });
    };
    QString opened;
    closeModal(&opened);
    w.cmdAdd->click();
    EXPECT_EQ(opened, QStringLiteral("frmChange"));
    EXPECT_TRUE(program::gAddMode);
    EXPECT_EQ(program::gNewDocumentID, 0);
    EXPECT_EQ(gridColumn(1), (QStringList{"1"}));
    opened.clear();
    closeModal(&opened);
    w.mnuMaintenanceTypes->trigger();
    EXPECT_EQ(opened, QStringLiteral("frmTypes"));
}
