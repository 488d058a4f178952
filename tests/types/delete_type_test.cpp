// Delete in the Types window: which row becomes current after a delete
// (middle, first, last, the only type), Cancel, a type in use, an empty
// list, and the confirmation's exact form.

#include "types/type_messages.h"
#include "types_fixture.h"

namespace {

struct DeleteCase {
    const char* what;
    QStringList types;
    QString selected;
    QStringList after;
    QString current; ///< "<none>" when the list is left empty
    friend void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.what; }
};

class DeleteTypeTest : public TypesTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTypeTest, DeletesAndMovesToTheRightRow) {
    const DeleteCase& c = GetParam();
    for (const QString& name : c.types)
        addType(name);
    open();
    select(c.selected);
    SeenBox box;
    answerNextBox(&box, QMessageBox::Ok);
    window->cmdDelete->click();
    EXPECT_EQ(box.text, types_ui::deleteConfirmation(c.selected));
    EXPECT_EQ(stored(), c.after);
    EXPECT_EQ(listed(), c.after);
    EXPECT_EQ(current(), c.current);
    EXPECT_EQ(window->focusWidget(), window->grdTypes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeleteTypeTest,
    ::testing::Values(DeleteCase{"middle", {"A", "B", "C"}, "B", {"A", "C"}, "C"},
                      DeleteCase{"first", {"A", "B", "C"}, "A", {"B", "C"}, "B"},
                      DeleteCase{"last", {"A", "B", "C"}, "C", {"A", "B"}, "B"},
                      DeleteCase{"only", {"A"}, "A", {}, "<none>"}),
    [](const auto& p) { return std::string(p.param.what); });

using DeleteTest = TypesTest;

TEST_F(DeleteTest, ConfirmationIsAQuestionWithOkAsDefault) {
    addType(QStringLiteral("Memo  ")); // trailing blanks are not shown
    open();
    SeenBox box;
    answerNextBox(&box, QMessageBox::Cancel);
    window->cmdDelete->click();
    EXPECT_EQ(box.title, QStringLiteral("tolvane"));
    EXPECT_EQ(box.text, QStringLiteral("Delete type \"Memo\""));
    EXPECT_EQ(box.icon, QMessageBox::Question);
    EXPECT_EQ(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.defaultButton, QMessageBox::Ok);
}

TEST_F(DeleteTest, CancelDeletesNothingAndKeepsTheRow) {
    for (const char* name : {"A", "B", "C"})
        addType(QString::fromLatin1(name));
    open();
    select(QStringLiteral("B"));
    window->cmdExit->setFocus();
    SeenBox box;
    answerNextBox(&box, QMessageBox::Cancel);
    window->cmdDelete->click();
    EXPECT_FALSE(box.text.isEmpty());
    EXPECT_EQ(stored(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(current(), QStringLiteral("B"));
    EXPECT_EQ(window->focusWidget(), window->grdTypes);
}

TEST_F(DeleteTest, TypeInUseIsRefusedWithoutAskingAndNothingMoves) {
    addType(QStringLiteral("A"));
    const int used = addType(QStringLiteral("B"));
    addType(QStringLiteral("C"));
    add(Doc{1, QStringLiteral("Lease"), {}, {}, used});
    open();
    select(QStringLiteral("B"));
    window->cmdAdd->setFocus();
    SeenBox box;
    answerNextBox(&box);
    window->cmdDelete->click();
    EXPECT_EQ(box.text, QStringLiteral("May not delete this \"document type\".  This \"type\" is "
                                       "in use for a document."));
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(stored(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(current(), QStringLiteral("B"));
    EXPECT_EQ(window->focusWidget(), window->cmdAdd);
}

TEST_F(DeleteTest, DeleteOnAnEmptyListIsIgnored) {
    open();
    SeenBox box;
    answerNextBox(&box); // would catch any box or error shown
    window->cmdDelete->click();
    window->cmdDelete->click();
    cancelWaits();
    EXPECT_TRUE(box.text.isEmpty()) << box.text.toStdString();
    EXPECT_TRUE(listed().isEmpty());
}

TEST_F(DeleteTest, AddAfterTheLastDeleteWorks) {
    addType(QStringLiteral("A"));
    open();
    SeenBox box;
    answerNextBox(&box, QMessageBox::Ok);
    window->cmdDelete->click();
    ASSERT_TRUE(listed().isEmpty());
    EXPECT_TRUE(addThroughDialog(QStringLiteral("B"), &box));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("B")});
    EXPECT_EQ(current(), QStringLiteral("B"));
}

} // namespace
