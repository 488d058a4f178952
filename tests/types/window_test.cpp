// The Types window as opened: the list in name order with the first type
// current, Exit, and the layout following the window's size.

#include "types_fixture.h"

namespace {

using TypesWindowTest = TypesTest;

TEST_F(TypesWindowTest, ListsTypesInNameOrderWithTheFirstCurrent) {
    for (const char* name : {"Memo", "Invoice", "Letter"})
        addType(QString::fromLatin1(name));
    frmTypes& w = open();
    EXPECT_EQ(w.grdTypes->model()->columnCount(), 1);
    EXPECT_EQ(w.grdTypes->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("Types"));
    EXPECT_EQ(listed(), (QStringList{"Invoice", "Letter", "Memo"}));
    EXPECT_EQ(current(), QStringLiteral("Invoice"));
}

TEST_F(TypesWindowTest, ExitClosesAndTheGridFollowsTheWindowSize) {
    addType(QStringLiteral("A"));
    frmTypes& w = open();
    w.resize(300, 250);
    QApplication::processEvents();
    const QSize small = w.grdTypes->size();
    w.resize(500, 450);
    QApplication::processEvents();
    EXPECT_GT(w.grdTypes->width(), small.width());
    EXPECT_GT(w.grdTypes->height(), small.height());
    w.cmdExit->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(stored(), QStringList{QStringLiteral("A")});
}

} // namespace
