// The editor's fields as the user types into them: the date field read
// and rewritten when left with Tab (the current date fixed at July 4,
// 2001), its selection on entry, and the completion of the description and
// person fields including Backspace and Delete after a completion.

#include "editor_window_fixture.h"

namespace {

/// Types `typed` into the date field and leaves it with Tab; returns the
/// field's text afterwards and the messages shown.
std::pair<QString, QStringList> leaveDate(frmChange& w, const QString& typed) {
    w.txtDate->setFocus(Qt::TabFocusReason);
    w.txtDate->selectAll();
    QTest::keyClick(w.txtDate, Qt::Key_Delete);
    QTest::keyClicks(w.txtDate, typed);
    BoxAnswerer boxes;
    QTest::keyClick(w.txtDate, Qt::Key_Tab);
    return {w.txtDate->text(), boxes.texts()};
}

TEST_F(EditorWindowTest, DateFieldIsRewrittenWhenLeft) {
    frmChange& w = openAdd();
    // One of each kind; every shorthand is read in date_entry_test.cpp.
    const QList<std::pair<const char*, const char*>> cases{
        {"today", "7/4/2001"},
        {"yesterday", "7/3/2001"},
        {"70476", "7/4/1976"},
        {"7/4/", "7/4/2000"},
        {"12-25-95", "12/25/1995"},
        {"7/4/123", "7/4/2023"},
        {"", ""},
        {"   ", "   "},
    };
    for (const auto& [typed, after] : cases) {
        const auto [text, messages] = leaveDate(w, QString::fromLatin1(typed));
        EXPECT_EQ(text, QString::fromLatin1(after)) << typed;
        EXPECT_TRUE(messages.isEmpty()) << typed;
        EXPECT_EQ(QApplication::focusWidget(), w.txtWho) << typed;
    }
}

TEST_F(EditorWindowTest, DateFieldKeepsTheFocusWhileItHoldsNoDate) {
    frmChange& w = openAdd();
    for (const char* typed : {"2/30/95", "1/2/3/4", "today ", "13/5/95"}) {
        const auto [text, messages] = leaveDate(w, QString::fromLatin1(typed));
        EXPECT_EQ(messages, QStringList{QStringLiteral("Not a valid date.")}) << typed;
        EXPECT_EQ(text, QString::fromLatin1(typed)) << typed;
        EXPECT_EQ(QApplication::focusWidget(), w.txtDate) << typed;
    }
}

TEST_F(EditorWindowTest, DateFieldSelectsUpToItsLastNonBlankOnEntry) {
    frmChange& w = openAdd();
    w.txtDate->setText(QStringLiteral("7/4/2001  "));
    w.txtWho->setFocus();
    QTest::keyClick(w.txtWho, Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), w.txtDate);
    EXPECT_EQ(w.txtDate->selectedText(), QStringLiteral("7/4/2001"));
    QTest::keyClicks(w.txtDate, QStringLiteral("0101"));
    EXPECT_EQ(w.txtDate->text(), QStringLiteral("0101  "));
}

class TypeAheadWindowTest : public EditorWindowTest {
protected:
    void SetUp() override {
        EditorWindowTest::SetUp();
        if (IsSkipped())
            return;
        add({1, QStringLiteral("Invoice 1997"), {}, QStringLiteral("Carla Jones")});
        add({2, QStringLiteral("Invoice 1998"), {}, QStringLiteral("Carl Smith")});
    }
    /// Puts the caret into an empty field and types.
    static void typeFresh(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::OtherFocusReason);
        field->clear();
        QTest::keyClicks(field, text);
    }
};

TEST_F(TypeAheadWindowTest, NewestMatchIsOfferedWithTheAddedCharactersSelected) {
    frmChange& w = openAdd();
    typeFresh(w.txtDesc, QStringLiteral("inv"));
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("Invoice 1998"));
    EXPECT_EQ(w.txtDesc->selectionStart(), 3);
    EXPECT_EQ(w.txtDesc->selectedText(), QStringLiteral("oice 1998"));
    QTest::keyClicks(w.txtDesc, QStringLiteral("oice 1997"));
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("Invoice 1997"));
    EXPECT_FALSE(w.txtDesc->hasSelectedText());

    // The person field is the twin over Who.
    typeFresh(w.txtWho, QStringLiteral("car"));
    EXPECT_EQ(w.txtWho->text(), QStringLiteral("Carl Smith"));
    EXPECT_EQ(w.txtWho->selectedText(), QStringLiteral("l Smith"));
    QTest::keyClicks(w.txtWho, QStringLiteral("la"));
    EXPECT_EQ(w.txtWho->text(), QStringLiteral("Carla Jones"));
    EXPECT_EQ(w.txtWho->selectedText(), QStringLiteral(" Jones"));
}

TEST_F(TypeAheadWindowTest, NoCompletionForShortTextsTheMiddleOrAnEqualValue) {
    frmChange& w = openAdd();
    const QList<std::pair<const char*, const char*>> typedAfter{
        {"i", "i"}, {"in", "in"}, {"invoice 1998", "Invoice 1998"}, {"xyz", "xyz"}};
    for (const auto& [typed, after] : typedAfter) {
        typeFresh(w.txtDesc, QString::fromLatin1(typed));
        EXPECT_EQ(w.txtDesc->text(), QString::fromLatin1(after)) << typed;
        EXPECT_FALSE(w.txtDesc->hasSelectedText()) << typed;
    }
    typeFresh(w.txtDesc, QStringLiteral("nv"));
    w.txtDesc->setCursorPosition(0);
    QTest::keyClick(w.txtDesc, Qt::Key_I);
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("inv")) << "caret not at the end";
}

TEST_F(TypeAheadWindowTest, BackspaceStopsCompletionUntilTheNextCharacter) {
    frmChange& w = openAdd();
    typeFresh(w.txtDesc, QStringLiteral("inv"));
    QTest::keyClick(w.txtDesc, Qt::Key_Backspace);
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("Inv")) << "typed text takes the stored case";
    QTest::keyClick(w.txtDesc, Qt::Key_Backspace);
    QTest::keyClick(w.txtDesc, Qt::Key_Backspace);
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("I"));
    QTest::keyClicks(w.txtDesc, QStringLiteral("nvo"));
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("Invoice 1998"));
    EXPECT_EQ(w.txtDesc->selectedText(), QStringLiteral("ice 1998"));

    // Delete is no character key: the suggestion comes back at once.
    QTest::keyClick(w.txtDesc, Qt::Key_Delete);
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("Invoice 1998"));
    EXPECT_EQ(w.txtDesc->selectedText(), QStringLiteral("ice 1998"));
    // After a Backspace, Delete does not bring completion back either.
    QTest::keyClick(w.txtDesc, Qt::Key_Backspace);
    QTest::keyClick(w.txtDesc, Qt::Key_Left);
    QTest::keyClick(w.txtDesc, Qt::Key_Delete);
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("Inv"));
}

TEST_F(TypeAheadWindowTest, CompletionCountsAsAnEditAndSeesNewDocuments) {
    frmChange& first = openAdd();
    typeFresh(first.txtWho, QStringLiteral("Dan"));
    EXPECT_EQ(first.txtWho->text(), QStringLiteral("Dan"));
    typeFresh(first.txtDesc, QStringLiteral("Lease"));
    QTest::keyClick(first.txtDesc, Qt::Key_Tab);
    typeFresh(first.txtWho, QStringLiteral("Dana Berg"));
    pressEnter(first);
    ASSERT_EQ(first.result(), QDialog::Accepted);

    frmChange& second = openAdd();
    typeFresh(second.txtWho, QStringLiteral("dan"));
    EXPECT_EQ(second.txtWho->text(), QStringLiteral("Dana Berg"));
    BoxAnswerer cancel(QMessageBox::Cancel);
    QTest::keyClick(second.txtWho, Qt::Key_Escape);
    EXPECT_EQ(cancel.texts(), QStringList{QStringLiteral("Changes made, still exit?")});
}

} // namespace
