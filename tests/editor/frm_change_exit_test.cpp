// Leaving without storing: Exit and Escape ask only after an edit (any
// field, also the type list or a completion), Cancel keeps everything,
// OK drops the pending row; closing from the frame drops it unasked and
// releases the reserved row.

#include "editor_window_fixture.h"

namespace {

TEST_F(EditorWindowTest, ExitRightAfterOpeningAsksNothingAndStoresNothing) {
    const int ptr = add({7, QStringLiteral("seven")});
    for (const bool adding : {true, false}) {
        frmChange& w = adding ? openAdd() : openChange(ptr);
        BoxAnswerer boxes;
        QTest::mouseClick(w.cmdExit, Qt::LeftButton);
        EXPECT_TRUE(boxes.seen().isEmpty());
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(list->editMode(), store::EditMode::None);
        EXPECT_EQ(session::program::gNewDocumentID, 0);
        window.reset();
    }
    EXPECT_EQ(ids(), QStringList{"7"});
}

TEST_F(EditorWindowTest, ExitAfterAnyEditAsksAndCancelKeepsTheEdits) {
    addType(QStringLiteral("Bill"));
    addType(QStringLiteral("Receipt"));
    add({1, QStringLiteral("Invoice 1997")});
    using Edit = void (*)(frmChange&);
    const QList<std::pair<const char*, Edit>> edits{
        {"ID", [](frmChange& w) { type(w.txtID, QStringLiteral("0")); }},
        {"description", [](frmChange& w) { type(w.txtDesc, QStringLiteral("x")); }},
        {"type", [](frmChange& w) { QTest::keyClick(w.cmbType, Qt::Key_Down); }},
        {"date", [](frmChange& w) { retype(w.txtDate, QStringLiteral("today")); }},
        {"who", [](frmChange& w) { type(w.txtWho, QStringLiteral("y")); }},
        {"note", [](frmChange& w) { type(w.txtNote, QStringLiteral("z")); }},
    };
    for (const auto& [what, edit] : edits) {
        frmChange& w = openAdd();
        edit(w);
        EXPECT_TRUE(w.bChangesMade()) << what;
        const QString id = w.txtID->text();
        {
            BoxAnswerer cancel(QMessageBox::Cancel);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            ASSERT_EQ(cancel.seen().size(), 1) << what;
            const SeenBox& box = cancel.seen()[0];
            EXPECT_EQ(box.text, QStringLiteral("Changes made, still exit?"));
            EXPECT_EQ(box.title, QStringLiteral("tolvane"));
            EXPECT_EQ(box.icon, QMessageBox::Question);
            EXPECT_EQ(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        }
        EXPECT_TRUE(w.isVisible()) << what;
        EXPECT_EQ(w.txtID->text(), id);
        EXPECT_EQ(list->editMode(), store::EditMode::Adding);
        {
            BoxAnswerer ok(QMessageBox::Ok);
            QTest::mouseClick(w.cmdExit, Qt::LeftButton);
            EXPECT_EQ(ok.seen().size(), 1);
        }
        EXPECT_FALSE(w.isVisible()) << what;
        EXPECT_EQ(list->editMode(), store::EditMode::None);
        window.reset();
    }
    EXPECT_EQ(ids(), QStringList{"1"});
    EXPECT_EQ(session::program::gNewDocumentID, 0);
}

TEST_F(EditorWindowTest, ClosingFromTheFrameDropsThePendingRowUnasked) {
    const int ptr = add({7, QStringLiteral("seven")});
    frmChange& w = openChange(ptr);
    type(w.txtDesc, QStringLiteral(" changed"));
    {
        BoxAnswerer boxes;
        EXPECT_TRUE(w.close());
        EXPECT_TRUE(boxes.seen().isEmpty());
    }
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(list->editMode(), store::EditMode::None);
    EXPECT_EQ(stored(7), QStringLiteral("7|seven|Null|0||"));

    // The row is free again for another user.
    const store::Database other = store::Database::open(location());
    auto theirs = openList(other);
    theirs->findFirst(QStringLiteral("RecordPtr = %1").arg(ptr));
    EXPECT_NO_THROW(theirs->edit());
}

} // namespace
