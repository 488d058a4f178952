// The document list in the real window: the filter notifications, the
// statement the window runs (the worked example with a fixed today), the
// remembered row and the rows kept in view, upper-casing, the focus kept
// in the filter being typed into, the type filter's own position table,
// apostrophes, "No Date", and the detail panel, as shown and as a screen
// reader hears it.

#include "list_fixture.h"
#include "platform/dates/today.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

namespace program = session::program;

TEST_F(ListTest, WorkedExampleStatementAndRows) {
    // Types by name: Alpha(4) Bravo(5) Xray(3) Yak(2) Zeta(1): index 2 is 5.
    makeDocuments({"Zeta", "Yak", "Xray", "Alpha", "Bravo"},
                  {{1, "abc recent", "", "", "2004-03-01", 5},
                   {2, "abc old", "", "", "2004-01-01", 5},
                   {3, "abc other type", "", "", "2004-03-01", 4},
                   {4, "xyz recent", "", "", "2004-03-01", 5},
                   {5, "ABC on the day", "", "", "2004-02-06", 5},
                   {6, "abc next day", "", "", "2004-02-07", 5}});
    platform::dates::FixedToday today(QDate(2004, 3, 7));
    frmMain& w = startShown();
    w.chkFilterOn->click();
    typeInto(w.txtFilterDesc, QStringLiteral("abc"));
    EXPECT_EQ(w.txtFilterDesc->text(), QStringLiteral("ABC"));
    w.cmbDate->setCurrentIndex(1);
    w.cmbType->setCurrentIndex(2);
    w.waitForList();
    EXPECT_EQ(w.listStatement(),
              QStringLiteral("SELECT * FROM Documents  WHERE Description LIKE '*ABC*' AND  Date "
                             "> #2/6/2004# AND  DocumentType = 5 ORDER BY ID DESC"));
    EXPECT_EQ(gridColumn(1), (QStringList{"6", "1"}));
}

TEST_F(ListTest, FilterOnOffAndOrderKeepTheCurrentDocument) {
    makeDocuments({}, {{1, "Cherry"}, {2, "Apple pie"}, {3, "Banana"}, {4, "Apple tart"}});
    frmMain& w = startShown();
    // Filters typed while the box is off change nothing.
    typeInto(w.txtFilterDesc, QStringLiteral("apple"));
    EXPECT_EQ(w.listStatement(), QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"));
    EXPECT_EQ(gridColumn(1), (QStringList{"4", "3", "2", "1"}));
    clickRow(2); // document 2
    w.chkFilterOn->click();
    EXPECT_EQ(gridColumn(1), (QStringList{"4", "2"}));
    EXPECT_EQ(currentId(), 2);
    EXPECT_EQ(w.grdInfo->currentIndex().row(), 1);
    // The order acts with the filters on or off, keeping the document.
    w.Order[1]->click();
    EXPECT_EQ(w.sOrderBy(), QStringLiteral("DESCRIPTION"));
    EXPECT_EQ(gridColumn(1), (QStringList{"2", "4"}));
    EXPECT_EQ(currentId(), 2);
    w.chkFilterOn->click();
    w.waitForList();
    EXPECT_EQ(w.listStatement(), QStringLiteral("SELECT * FROM Documents ORDER BY DESCRIPTION"));
    EXPECT_EQ(gridColumn(1), (QStringList{"2", "4", "3", "1"}));
    EXPECT_EQ(currentId(), 2);
    EXPECT_EQ(w.lblID->text(), QStringLiteral("2 "));
    EXPECT_TRUE(w.grdInfo->hasFocus());
    w.Order[2]->click();
    EXPECT_EQ(gridColumn(1), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(currentId(), 2);
}

TEST_F(ListTest, RememberedRowIsFoundWithUpToFiveRowsAboveInView) {
    makeNumbered(200);
    frmMain& w = startShown();
    w.chkFilterOn->click(); // filters on, nothing chosen: same rows
    struct Row {
        int row;         // grid row made current before the re-run
        int aboveInView; // rows above it that must show afterwards
    };
    for (const Row r : {Row{1, 1}, Row{9, 5}, Row{150, 5}, Row{199, 5}}) {
        clickRow(r.row);
        const int id = currentId();
        // Scroll away so the re-run has to bring the row back.
        w.grdInfo->scrollToTop();
        w.Order[0]->click(); // re-runs with the same order
        EXPECT_EQ(currentId(), id) << r.row;
        EXPECT_EQ(w.grdInfo->currentIndex().row(), r.row);
        const auto [first, last] = rowsInView();
        EXPECT_LE(first, r.row - r.aboveInView) << r.row;
        EXPECT_GE(last, r.row) << r.row;
        EXPECT_EQ(w.lblID->text(), QString::number(id) + QLatin1Char(' '));
    }
}

TEST_F(ListTest, RowThatNoLongerQualifiesLeavesTheFirstRowCurrent) {
    makeDocuments({}, {{1, "KEEP one"}, {2, "drop"}, {3, "KEEP three"}, {4, "KEEP four"}});
    frmMain& w = startShown();
    w.chkFilterOn->click();
    clickRow(2); // document 2
    typeInto(w.txtFilterDesc, QStringLiteral("keep"));
    EXPECT_EQ(gridColumn(1), (QStringList{"4", "3", "1"}));
    EXPECT_EQ(currentId(), 4);
    EXPECT_EQ(w.grdInfo->currentIndex().row(), 0);
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("KEEP four "));
}

TEST_F(ListTest, TypingKeepsTheFocusInTheFilterAndUpperCasesLetters) {
    makeDocuments({}, {{1, "Smith letter", "Smith"}, {2, "Jones letter", "Jones"}});
    frmMain& w = startShown();
    w.chkFilterOn->click();
    w.txtFilterWho->setFocus();
    EXPECT_EQ(w.iFilterFocus(), 4);
    typeInto(w.txtFilterWho, QStringLiteral("sm-1 !"));
    EXPECT_EQ(w.txtFilterWho->text(), QStringLiteral("SM-1 !"));
    EXPECT_TRUE(w.txtFilterWho->hasFocus());
    EXPECT_EQ(w.iFilterFocus(), 4);
    keyInto(w.txtFilterWho, Qt::Key_Backspace, 4);
    EXPECT_EQ(gridColumn(1), (QStringList{"1"}));
    EXPECT_TRUE(w.txtFilterWho->hasFocus());
    // A choice in a list keeps the focus there too.
    w.cmbDate->setFocus();
    EXPECT_EQ(w.iFilterFocus(), 2);
    w.cmbDate->setCurrentIndex(1);
    EXPECT_TRUE(w.cmbDate->hasFocus());
    w.cmbType->setFocus();
    EXPECT_EQ(w.iFilterFocus(), 1);
    w.grdInfo->setFocus();
    EXPECT_EQ(w.iFilterFocus(), 0);
}

TEST_F(ListTest, TypeFilterUsesItsOwnPositionTable) {
    makeDocuments({"Invoice", "Letter"}, {{1, "a", "", "", "", 1}, {2, "b", "", "", "", 2}});
    frmMain& w = startShown();
    // The editor refills the shared table after a type was added.
    program::TypeRecordPtrs = {0, 7, 1, 2};
    w.chkFilterOn->click();
    w.cmbType->setCurrentIndex(2); // Letter
    w.waitForList();
    EXPECT_TRUE(w.listStatement().endsWith(QStringLiteral(" DocumentType = 2 ORDER BY ID DESC")));
    EXPECT_EQ(gridColumn(1), (QStringList{"2"}));
    // A typed text naming no type means no type condition.
    w.cmbType->setEditText(QStringLiteral("Nothing"));
    w.Order[0]->click();
    EXPECT_EQ(gridColumn(1), (QStringList{"2", "1"}));
}

TEST_F(ListTest, ApostropheInAFilterFindsTheDocument) {
    makeDocuments({}, {{1, "Letter to O'Brien", "O'Brien"}, {2, "Letter to Brien"}});
    frmMain& w = startShown();
    w.chkFilterOn->click();
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] {
        typeInto(w.txtFilterDesc, QStringLiteral("o'b"));
        typeInto(w.txtFilterWho, QStringLiteral("'"));
    });
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(gridColumn(1), (QStringList{"1"}));
}

TEST_F(ListTest, NoDateListsTheDocumentsWithoutADate) {
    makeDocuments({}, {{1, "dated", "", "", "2004-03-01"}, {2, "undated one"}, {3, "undated two"}});
    platform::dates::FixedToday today(QDate(2004, 3, 7));
    frmMain& w = startShown();
    w.chkFilterOn->click();
    w.cmbDate->setCurrentIndex(5);
    EXPECT_EQ(gridColumn(1), (QStringList{"3", "2"}));
    typeInto(w.txtFilterDesc, QStringLiteral("two"));
    EXPECT_EQ(gridColumn(1), (QStringList{"3"}));
    // A date range never lists an undated document.
    w.txtFilterDesc->clear();
    w.cmbDate->setCurrentIndex(1);
    EXPECT_EQ(gridColumn(1), (QStringList{"1"}));
}

TEST_F(ListTest, PanelShowsTheStoredDocumentAsPlainText) {
    makeDocuments({"Invoice"},
                  {{1, "No type, no date"},
                   {2, "Typed  ", "Smith", "<b>not bold</b>\nline 2", "2004-07-04", 1}});
    frmMain& w = startShown();
    // The first row shows at start.
    EXPECT_FALSE(w.panView->isHidden());
    EXPECT_EQ(w.lblID->text(), QStringLiteral("2 "));
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("Typed   "));
    EXPECT_EQ(w.lblType->text(), QStringLiteral("Invoice "));
    EXPECT_EQ(w.lblDate->text(), QStringLiteral("7/4/2004 "));
    EXPECT_EQ(w.lblWho->text(), QStringLiteral("Smith "));
    EXPECT_EQ(w.lblNote->text(), QStringLiteral("<b>not bold</b>\nline 2"));
    EXPECT_EQ(w.lblNote->textFormat(), Qt::PlainText);
    // Type 0, Null date, Null who and note.
    clickRow(1);
    EXPECT_EQ(w.lblType->text(), QStringLiteral(" "));
    EXPECT_EQ(w.lblDate->text(), QStringLiteral(" "));
    EXPECT_EQ(w.lblWho->text(), QStringLiteral(" "));
    EXPECT_EQ(w.lblNote->text(), QString());
    // The panel reads the table afresh, not the list row.
    store::Database other = store::Database::open(registerLocation());
    other.execute(QStringLiteral("UPDATE Documents SET Who = 'Changed' WHERE ID = 1"));
    w.DisplayCurrentRecordInformation();
    EXPECT_EQ(w.lblWho->text(), QStringLiteral("Changed "));
    // Deleted by another user: hidden at the next display.
    other.execute(QStringLiteral("DELETE FROM Documents WHERE ID = 1"));
    w.DisplayCurrentRecordInformation();
    EXPECT_TRUE(w.panView->isHidden());
    clickRow(0);
    EXPECT_FALSE(w.panView->isHidden());
}

TEST_F(ListTest, ScreenReaderHearsThePanelsValuesWithTheirCaptions) {
    makeDocuments(
        {"Invoice"},
        {{1, "Undated"}, {2, "Annual report", "Smith & Jones", "Filed twice", "2004-07-04", 1}});
    frmMain& w = startShown();
    const auto heard = [&](QAccessible::Text what) {
        QStringList out;
        for (QLabel* label : {w.lblID, w.lblDesc, w.lblType, w.lblDate, w.lblWho, w.lblNote})
            out << QAccessible::queryAccessibleInterface(label)->text(what).trimmed();
        return out;
    };
    clickRow(0);
    EXPECT_EQ(heard(QAccessible::Name), (QStringList{"2", "Annual report", "Invoice", "7/4/2004",
                                                     "Smith & Jones", "Filed twice"}));
    EXPECT_EQ(heard(QAccessible::Description),
              (QStringList{"ID", "Desc", "Type", "Date", "Who", "Note"}));
    // Missing values are heard as nothing, not as their captions.
    clickRow(1);
    EXPECT_EQ(heard(QAccessible::Name), (QStringList{"1", "Undated", "", "", "", ""}));
    // No document: the hidden panel keeps nothing of the last one.
    w.chkFilterOn->click();
    typeInto(w.txtFilterNote, QStringLiteral("zz"));
    ASSERT_TRUE(w.panView->isHidden());
    EXPECT_EQ(heard(QAccessible::Name), QStringList(6, QString()));
}

TEST_F(ListTest, EmptyListHidesThePanel) {
    makeDocuments({}, {{1, "only"}});
    frmMain& w = startShown();
    w.chkFilterOn->click();
    typeInto(w.txtFilterNote, QStringLiteral("zz"));
    EXPECT_EQ(w.grdInfo->model()->rowCount(), 0);
    EXPECT_TRUE(w.panView->isHidden());
    EXPECT_TRUE(w.txtFilterNote->hasFocus());
    keyInto(w.txtFilterNote, Qt::Key_Backspace, 2);
    EXPECT_FALSE(w.panView->isHidden());
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("only "));
}

TEST_F(ListTest, KeysTypedWhileTheListIsBusyAreAnsweredByOneReRun) {
    makeDocuments({}, {{1, "ABC"}, {2, "ABD"}});
    frmMain& w = startShown();
    w.chkFilterOn->click();
    QSignalSpy reruns(w.dtaDocuments, &session::DataControl::recordsetChanged);
    // Three keys queued before the event loop runs again.
    QTest::keyClicks(w.txtFilterDesc, QStringLiteral("abc"));
    EXPECT_EQ(reruns.count(), 0);
    QCoreApplication::processEvents();
    w.waitForList();
    EXPECT_EQ(reruns.count(), 1);
    EXPECT_EQ(gridColumn(1), (QStringList{"1"}));
    // A command right after typing works on the list as typed.
    registerLibrary();
    QTest::keyClick(w.txtFilterDesc, Qt::Key_Backspace);
    const QList<SeenBox> boxes = answering(QMessageBox::Cancel, [&] { w.cmdDelete->click(); });
    EXPECT_EQ(reruns.count(), 2);
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(gridColumn(1), (QStringList{"2", "1"}));
}
