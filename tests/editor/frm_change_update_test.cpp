// Update: what is stored, and each refusal keeping the window open with
// the entries and the pending row intact: a duplicate ID (also between two
// users filing the same new ID), an ID that is no 32-bit whole number, a
// date that is no date, and a write the engine refuses.

#include "editor_window_fixture.h"

#include <QUrl>

namespace {

TEST_F(EditorWindowTest, AddStoresTheSixFieldsAndReportsTheNewID) {
    addType(QStringLiteral("Bill"));
    const int receipt = addType(QStringLiteral("Receipt"));
    add({4, QStringLiteral("older")});
    frmChange& w = openAdd();
    type(w.txtDesc, QStringLiteral("Roof repair"));
    w.cmbType->setFocus();
    QTest::keyClick(w.cmbType, Qt::Key_Down);
    retype(w.txtDate, QStringLiteral("12/25/95"));
    type(w.txtWho, QStringLiteral("Bob"));
    type(w.txtNote, QStringLiteral("paid"));
    QTest::keyClick(w.txtNote, Qt::Key_Tab); // onto Update
    EXPECT_EQ(QApplication::focusWidget(), w.cmdUpdate);
    pressEnter(w);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(stored(5), QStringLiteral("5|Roof repair|1995-12-25|%1|Bob|paid").arg(receipt));
    EXPECT_EQ(session::program::gNewDocumentID, 5);
    EXPECT_EQ(list->editMode(), store::EditMode::None);
    EXPECT_EQ(history(), QStringList{"5 Added :  -> Roof repair"});
}

TEST_F(EditorWindowTest, ChangeKeepingItsIDStoresAndLeavesNewIDZero) {
    const int ptr = add({7, QStringLiteral("before"), QDate(2000, 1, 1)});
    add({8, QStringLiteral("other")});
    frmChange& w = openChange(ptr);
    retype(w.txtDesc, QStringLiteral("after"));
    pressEnter(w);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(stored(7), QStringLiteral("7|after|2000-01-01|0||"));
    EXPECT_EQ(session::program::gNewDocumentID, 0);
    EXPECT_EQ(ids(), (QStringList{"7", "8"}));
    EXPECT_EQ(history(), QStringList{"7 Changed Description: before -> after"})
        << "only the field that changed";
}

TEST_F(EditorWindowTest, DuplicateIDIsRefusedAndTheWindowKeepsItsEntries) {
    for (const bool adding : {true, false}) {
        db.execute(QStringLiteral("DELETE FROM Documents"));
        const int ptr = add({7, QStringLiteral("seven"), QDate(2000, 1, 1)});
        add({8, QStringLiteral("eight"), QDate(2000, 1, 1)});
        frmChange& w = adding ? openAdd() : openChange(ptr);
        retype(w.txtID, QStringLiteral("8"));
        retype(w.txtDesc, QStringLiteral("kept"));
        {
            BoxAnswerer boxes;
            pressEnter(w);
            ASSERT_EQ(boxes.seen().size(), 1);
            EXPECT_EQ(boxes.seen()[0].text,
                      QStringLiteral("ID already defined for another entry.  Please enter a "
                                     "different ID number."));
            EXPECT_EQ(boxes.seen()[0].title, QStringLiteral("tolvane"));
            EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::NoIcon);
            EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Ok);
        }
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), w.txtID);
        EXPECT_EQ(w.txtDesc->text(), QStringLiteral("kept"));
        EXPECT_EQ(session::program::gNewDocumentID, 0);
        EXPECT_EQ(stored(8), QStringLiteral("8|eight|2000-01-01|0||")) << "nothing stored";
        EXPECT_NE(list->editMode(), store::EditMode::None) << "the row stays pending";

        // A free ID then stores what was typed.
        retype(w.txtID, QStringLiteral("9"));
        pressEnter(w);
        EXPECT_EQ(w.result(), QDialog::Accepted);
        EXPECT_EQ(stored(9),
                  QStringLiteral("9|kept|%1|0||")
                      .arg(adding ? QStringLiteral("2001-07-04") : QStringLiteral("2000-01-01")));
        window.reset();
    }
}

TEST_F(EditorWindowTest, IDThatIsNoWholeNumberIsRefusedBeforeTheDuplicateTest) {
    add({1, QStringLiteral("one")});
    frmChange& w = openAdd();
    for (const char* bad : {"", "abc", "1.5", "1 or 1=1", "2147483648", "-2147483649", "0x10"}) {
        retype(w.txtID, QString::fromLatin1(bad));
        BoxAnswerer boxes;
        w.txtDesc->setFocus();
        pressEnter(w);
        ASSERT_EQ(boxes.seen().size(), 1) << bad;
        EXPECT_TRUE(
            boxes.seen()[0].text.startsWith(QStringLiteral("The ID must be a whole number")))
            << bad;
        BoxAnswerer::settle();
        EXPECT_EQ(QApplication::focusWidget(), w.txtID) << bad;
        EXPECT_TRUE(w.isVisible());
    }
    EXPECT_EQ(ids(), QStringList{"1"});
    retype(w.txtID, QStringLiteral("-2147483648"));
    pressEnter(w);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(ids(), (QStringList{"-2147483648", "1"}));
    EXPECT_EQ(session::program::gNewDocumentID, -2147483647 - 1);
}

TEST_F(EditorWindowTest, DateThatIsNoDateIsRefusedAtUpdate) {
    frmChange& w = openAdd();
    for (const char* bad : {"", "   "}) {
        retype(w.txtDate, QString::fromLatin1(bad));
        w.txtDesc->setFocus(); // leaving a blank field is accepted
        BoxAnswerer boxes;
        pressEnter(w);
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Not a valid date.")}) << bad;
        BoxAnswerer::settle();
        EXPECT_EQ(QApplication::focusWidget(), w.txtDate);
    }
    // Enter with shorthand still in the field refuses it once, as leaving would.
    retype(w.txtDate, QStringLiteral("2/30/95"));
    {
        BoxAnswerer boxes;
        pressEnter(w);
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Not a valid date.")});
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(ids().isEmpty());
    EXPECT_EQ(list->editMode(), store::EditMode::Adding);
}

TEST_F(EditorWindowTest, ShorthandTypedJustBeforeUpdateIsReadAsLeavingWouldReadIt) {
    struct Case {
        const char* typed;
        bool click; ///< Update clicked with the mouse, else Enter in the date field
        const char* stored;
    };
    const QList<Case> cases{{"today", false, "2001-07-04"}, {"NOW", false, "2001-07-04"},
                            {"0704", false, "2001-07-04"},  {"7/4/", false, "2000-07-04"},
                            {"today", true, "2001-07-04"},  {"70476", true, "1976-07-04"}};
    for (const Case& c : cases) {
        db.execute(QStringLiteral("DELETE FROM Documents"));
        frmChange& w = openAdd();
        retype(w.txtDate, QString::fromLatin1(c.typed));
        BoxAnswerer boxes;
        if (c.click)
            QTest::mouseClick(w.cmdUpdate, Qt::LeftButton);
        else
            pressEnter(w);
        EXPECT_TRUE(boxes.seen().isEmpty()) << c.typed;
        EXPECT_EQ(w.result(), QDialog::Accepted) << c.typed;
        EXPECT_EQ(stored(1), QStringLiteral("1||%1|0||").arg(QString::fromLatin1(c.stored)))
            << c.typed;
        window.reset();
    }
}

TEST_F(EditorWindowTest, ClickingAButtonFromABadDateGivesOneAnswer) {
    frmChange& w = openAdd();
    retype(w.txtDate, QStringLiteral("2/30/95"));
    {
        BoxAnswerer boxes;
        QTest::mouseClick(w.cmdUpdate, Qt::LeftButton);
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Not a valid date.")});
    }
    EXPECT_EQ(QApplication::focusWidget(), w.txtDate);
    EXPECT_TRUE(ids().isEmpty());
    // Exit is not held up by the date: it asks its own question only.
    BoxAnswerer boxes;
    QTest::mouseClick(w.cmdExit, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Changes made, still exit?")});
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(list->editMode(), store::EditMode::None);
}

TEST_F(EditorWindowTest, ServerGoneKeepsTheEntriesUntilItIsBack) {
    if (!onServer())
        GTEST_SKIP() << "a server register's own case";
    const int ptr = add({7, QStringLiteral("seven"), QDate(2000, 1, 1)});
    frmChange& w = openChange(ptr);
    retype(w.txtDesc, QStringLiteral("changed"));
    // The server drops the program's connection and takes no new one.
    const QString database = QUrl(location()).path().mid(1);
    const QString others = QStringLiteral("SELECT pg_terminate_backend(pid) FROM "
                                          "pg_stat_activity WHERE datname = '%1'")
                               .arg(database);
    place.serverSql(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS false; ").arg(database) +
                        others,
                    QStringLiteral("postgres"));
    {
        BoxAnswerer boxes;
        pressEnter(w);
        ASSERT_EQ(boxes.seen().size(), 1);
        EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("was lost")))
            << boxes.texts()[0].toStdString();
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.txtDesc->text(), QStringLiteral("changed"));
    place.serverSql(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS true").arg(database),
                    QStringLiteral("postgres"));
    pressEnter(w);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_TRUE(stored(7).startsWith(QStringLiteral("7|changed|"))) << stored(7).toStdString();
}

TEST_F(EditorWindowTest, EngineFailureIsReportedAndNothingTypedIsLost) {
    for (const bool adding : {true, false}) {
        db.execute(QStringLiteral("DELETE FROM Documents"));
        const int ptr = add({7, QStringLiteral("seven"), QDate(2000, 1, 1)});
        db.execute(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON Documents BEGIN "
                                  "SELECT RAISE(ABORT, 'writing is refused'); END")
                       .arg(adding ? QStringLiteral("INSERT") : QStringLiteral("UPDATE")));
        frmChange& w = adding ? openAdd() : openChange(ptr);
        retype(w.txtDesc, QStringLiteral("changed"));
        {
            BoxAnswerer boxes;
            pressEnter(w);
            ASSERT_EQ(boxes.seen().size(), 1);
            EXPECT_TRUE(boxes.texts()[0].contains(QStringLiteral("writing is refused")))
                << boxes.texts()[0].toStdString();
        }
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.txtDesc->text(), QStringLiteral("changed"));
        EXPECT_EQ(list->editMode(), adding ? store::EditMode::Adding : store::EditMode::Editing)
            << "the row stays pending (and reserved)";
        EXPECT_EQ(ids(), QStringList{"7"});
        EXPECT_EQ(stored(7), QStringLiteral("7|seven|2000-01-01|0||"));
        EXPECT_EQ(session::program::gNewDocumentID, 0);
        EXPECT_TRUE(history().isEmpty()) << "no entry without its change";

        // Once the engine accepts the write, the same entries are stored.
        db.execute(QStringLiteral("DROP TRIGGER refuse"));
        pressEnter(w);
        EXPECT_EQ(w.result(), QDialog::Accepted);
        EXPECT_EQ(history().size(), 1);
        db.execute(QStringLiteral("DELETE FROM DocumentHistory"));
        EXPECT_EQ(stored(adding ? 8 : 7),
                  QStringLiteral("%1|changed|%2|0||")
                      .arg(adding ? QStringLiteral("8") : QStringLiteral("7"),
                           adding ? QStringLiteral("2001-07-04") : QStringLiteral("2000-01-01")));
        window.reset();
    }
}

TEST_F(EditorWindowTest, TwoUsersFilingTheSameNewIDOneWins) {
    add({4, QStringLiteral("four")});
    store::Database second = store::Database::open(location());
    frmChange& mine = openAdd();
    auto theirList = openList(second);
    frmChange theirs(theirList);
    showWindow(theirs);
    EXPECT_EQ(mine.txtID->text(), QStringLiteral("5"));
    EXPECT_EQ(theirs.txtID->text(), QStringLiteral("5"));
    type(theirs.txtDesc, QStringLiteral("theirs"));
    pressEnter(theirs);
    EXPECT_EQ(theirs.result(), QDialog::Accepted);

    showWindow(mine);
    type(mine.txtDesc, QStringLiteral("mine"));
    {
        BoxAnswerer boxes;
        pressEnter(mine);
        EXPECT_EQ(boxes.texts(),
                  QStringList{QStringLiteral("ID already defined for another entry.  Please enter "
                                             "a different ID number.")});
    }
    EXPECT_TRUE(mine.isVisible());
    EXPECT_EQ(mine.txtDesc->text(), QStringLiteral("mine"));
    EXPECT_EQ(ids(), (QStringList{"4", "5"}));
    retype(mine.txtID, QStringLiteral("6"));
    pressEnter(mine);
    EXPECT_EQ(mine.result(), QDialog::Accepted);
    EXPECT_EQ(stored(5), QStringLiteral("5|theirs|2001-07-04|0||"));
    EXPECT_EQ(stored(6), QStringLiteral("6|mine|2001-07-04|0||"));
}

} // namespace
