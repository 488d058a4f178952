// Opening the editor: the controls, the proposed ID and date for a new
// document, the fields of a document to change (also with a Null date, a
// type that no longer exists and an empty type table), and that filling
// the fields neither counts as an edit nor completes a description.

#include "editor/document_files_box.h"
#include "editor/file_drop_list.h"
#include "editor_window_fixture.h"

#include <QLabel>

namespace {

TEST_F(EditorWindowTest, ControlsCaptionsAndTabOrder) {
    addType(QStringLiteral("Letter"));
    frmChange& w = openAdd();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Document Information"));
    EXPECT_TRUE(w.isModal());
    EXPECT_FALSE(w.cmbType->isEditable());
    EXPECT_EQ(w.txtNote->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(w.cmdUpdate->text(), QStringLiteral("Update"));
    EXPECT_TRUE(w.cmdUpdate->isDefault());
    EXPECT_EQ(w.cmdExit->text(), QStringLiteral("Exit, no update"));
    const QList<std::pair<QString, QWidget*>> labels{{"ID:", w.txtID},
                                                     {"Desc:", w.txtDesc},
                                                     {"Type:", w.cmbType},
                                                     {"Date:", w.txtDate},
                                                     {"Who:", w.txtWho}};
    for (int i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(w.Label1[static_cast<size_t>(i)]->text(), labels[i].first);
        EXPECT_EQ(w.Label1[static_cast<size_t>(i)]->buddy(), labels[i].second);
    }

    // The focus starts in the description and Tab walks the fixed order,
    // the files (a new document has none to remove, open or save) after
    // the buttons.
    EXPECT_EQ(QApplication::focusWidget(), w.txtDesc);
    const QList<QWidget*> order{w.cmbType,   w.txtDate, w.txtWho,          w.txtNote,
                                w.cmdUpdate, w.cmdExit, w.files->lstFiles, w.files->cmdAttach,
                                w.txtID,     w.txtDesc};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(EditorWindowTest, NewDocumentIsOfferedOneMoreThanTheHighestID) {
    struct Case {
        QList<int> ids;
        QString offered;
    };
    const QList<Case> cases{{{}, "1"}, {{3, 7, 12}, "13"}, {{12, 3}, "13"}};
    for (const Case& c : cases) {
        db.execute(QStringLiteral("DELETE FROM Documents"));
        for (int id : c.ids)
            add({id, QStringLiteral("d%1").arg(id)});
        frmChange& w = openAdd();
        EXPECT_EQ(w.txtID->text(), c.offered);
        window.reset();
    }
}

TEST_F(EditorWindowTest, NewDocumentShowsTodayAndTheFirstTypeWithoutAll) {
    addType(QStringLiteral("Receipt"));
    addType(QStringLiteral("Invoice"));
    frmChange& w = openAdd();
    EXPECT_EQ(w.txtDate->text(), QStringLiteral("7/4/2001"));
    EXPECT_EQ(w.cmbType->count(), 2);
    EXPECT_EQ(w.cmbType->currentText(), QStringLiteral("Invoice"));
    EXPECT_TRUE(w.txtDesc->text().isEmpty());
    EXPECT_FALSE(w.bChangesMade());
    EXPECT_EQ(list->editMode(), store::EditMode::Adding);
    EXPECT_EQ(session::program::gNewDocumentID, 0);
}

TEST_F(EditorWindowTest, DocumentToChangeFillsTheFieldsAndItsType) {
    addType(QStringLiteral("Invoice"));
    const int receipt = addType(QStringLiteral("Receipt"));
    add({50, QStringLiteral("Invoice 1998 extra"), QDate(1998, 1, 2)}); // longer stored text
    const int ptr = add({7, QStringLiteral("Invoice 1998"), QDate(1976, 7, 4),
                         QStringLiteral("Ann"), receipt, QStringLiteral("line 1\nline 2")});
    frmChange& w = openChange(ptr);
    EXPECT_EQ(w.txtID->text(), QStringLiteral("7"));
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("Invoice 1998")) << "filling never completes";
    EXPECT_EQ(w.txtDate->text(), QStringLiteral("7/4/1976"));
    EXPECT_EQ(w.cmbType->currentText(), QStringLiteral("Receipt"));
    EXPECT_EQ(w.txtWho->text(), QStringLiteral("Ann"));
    EXPECT_EQ(w.txtNote->toPlainText(), QStringLiteral("line 1\nline 2"));
    EXPECT_FALSE(w.bChangesMade());
    EXPECT_EQ(list->editMode(), store::EditMode::Editing);
}

TEST_F(EditorWindowTest, MissingTypeAndNullDateOpenAsFirstTypeAndEmptyDate) {
    const int first = addType(QStringLiteral("Bill"));
    addType(QStringLiteral("Receipt"));
    const int ptr = add({7, QStringLiteral("old"), QVariant(), QString(), 999});
    frmChange& w = openChange(ptr);
    EXPECT_EQ(w.cmbType->currentText(), QStringLiteral("Bill"));
    EXPECT_TRUE(w.txtDate->text().isEmpty());

    // Update refuses the empty date; with a date it stores the first type.
    BoxAnswerer boxes;
    QTest::mouseClick(w.cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Not a valid date.")});
    BoxAnswerer::settle();
    EXPECT_EQ(QApplication::focusWidget(), w.txtDate);
    QTest::keyClicks(w.txtDate, QStringLiteral("0102"));
    pressEnter(w);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(stored(7), QStringLiteral("7|old|2001-01-02|%1||").arg(first));
}

TEST_F(EditorWindowTest, EmptyTypeTableLeavesNoSelectionAndStoresZero) {
    frmChange& w = openAdd();
    EXPECT_EQ(w.cmbType->currentIndex(), -1);
    type(w.txtDesc, QStringLiteral("untyped"));
    pressEnter(w);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(stored(1), QStringLiteral("1|untyped|2001-07-04|0||"));
}

TEST_F(EditorWindowTest, OpeningFailureIsShownAndClosesTheWindow) {
    const int ptr = add({7, QStringLiteral("held")});
    session::program::gAddMode = false;
    list = openList(db);
    list->findFirst(QStringLiteral("RecordPtr = %1").arg(ptr));
    {
        // Another user holds the row, so the window cannot put it into edit.
        const store::Database other = store::Database::open(location());
        auto theirs = openList(other);
        theirs->findFirst(QStringLiteral("RecordPtr = %1").arg(ptr));
        theirs->edit();
        BoxAnswerer boxes;
        frmChange w(list);
        EXPECT_EQ(w.exec(), QDialog::Rejected);
        ASSERT_EQ(boxes.seen().size(), 1);
        EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("locked")))
            << boxes.texts()[0].toStdString();
        EXPECT_EQ(list->editMode(), store::EditMode::None);
    }
    {
        // The type list cannot be filled: the row the list reserved for
        // the window is released when it closes.
        db.execute(QStringLiteral("DROP TABLE Types"));
        list->edit();
        BoxAnswerer boxes;
        frmChange w(list);
        EXPECT_EQ(w.exec(), QDialog::Rejected);
        EXPECT_EQ(boxes.seen().size(), 1);
        EXPECT_EQ(list->editMode(), store::EditMode::None);
    }
}

} // namespace
