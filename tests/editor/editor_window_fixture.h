#pragma once
// A register of its own for each test, wired the way start-up wires the
// program (dbMain, rsDescription, rsWho), a document list over it, and
// helpers that open the real editor window and drive it by keys; its
// message boxes are answered by modal_answers.h's BoxAnswerer. The current
// date is fixed at July 4, 2001.

#include "editor/date_line_edit.h"
#include "editor/frm_change.h"
#include "modal_answers.h"
#include "platform/dates/today.h"
#include "session/program_state.h"
#include "support/register_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <ostream>

class EditorWindowTest : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        session::program::reset();
        session::program::dbMain = db;
        session::program::rsDescription =
            db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        session::program::rsDescription->setIndex(QStringLiteral("Description"));
        session::program::rsWho =
            db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        session::program::rsWho->setIndex(QStringLiteral("Who"));
    }

    void TearDown() override {
        window.reset();
        list.reset();
        session::program::reset();
    }

    /// Files a document as the register held it before the test: without
    /// the history entry a server writes for it.
    int add(const Doc& doc) {
        const int ptr = RegisterTest::add(doc);
        db.execute(
            QStringLiteral("DELETE FROM DocumentHistory WHERE RecordPtr = %1 AND Action = 'Added'")
                .arg(ptr));
        return ptr;
    }

    /// The main window's list: every document by ID.
    store::RecordsetPtr openList(const store::Database& over) {
        return over.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"),
                                  store::RecordsetType::Dynaset);
    }

    /// Opens the editor to add a document, shown and active.
    frmChange& openAdd() {
        session::program::gAddMode = true;
        list = openList(db);
        return show();
    }

    /// Opens the editor to change the document with RecordPtr `recordPtr`,
    /// reserved by the list as the main window does before opening.
    frmChange& openChange(int recordPtr) {
        session::program::gAddMode = false;
        list = openList(db);
        list->findFirst(QStringLiteral("RecordPtr = %1").arg(recordPtr));
        EXPECT_FALSE(list->noMatch());
        list->edit();
        return show();
    }

    frmChange& show() {
        window = std::make_unique<frmChange>(list);
        showWindow(*window);
        return *window;
    }

    static void showWindow(frmChange& w) {
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    /// Types `text` into `field`, which gets the focus first.
    static void type(QWidget* field, const QString& text) {
        field->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(field, text);
    }

    /// Replaces a line's whole text by typing.
    static void retype(QLineEdit* field, const QString& text) {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, text);
    }

    /// Enter where the focus is: the window's default button.
    static void pressEnter(frmChange& w) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w,
                        Qt::Key_Return);
    }

    /// One document's fields as texts, "ID|Description|Date|Type|Who|Note".
    QString stored(int id) {
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = %1").arg(id),
                                   store::RecordsetType::Snapshot);
        if (rs->eof())
            return QStringLiteral("(none)");
        const QDate date = store::dateOf(rs->field(QStringLiteral("Date")));
        return QStringList{rs->field(QStringLiteral("ID")).toString(),
                           rs->field(QStringLiteral("Description")).toString(),
                           date.isValid() ? date.toString(Qt::ISODate) : QStringLiteral("Null"),
                           rs->field(QStringLiteral("DocumentType")).toString(),
                           rs->field(QStringLiteral("Who")).toString(),
                           rs->field(QStringLiteral("Note")).toString()}
            .join(QLatin1Char('|'));
    }

    QStringList ids() { return query(QStringLiteral("SELECT ID FROM Documents ORDER BY ID")); }

    /// The history's entries as "ID Action Field: old -> new", oldest first.
    QStringList history() {
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory ORDER BY "
                                                  "HistoryPtr"),
                                   store::RecordsetType::Snapshot);
        QStringList out;
        for (; !rs->eof(); rs->moveNext())
            out << QStringLiteral("%1 %2 %3: %4 -> %5")
                       .arg(rs->field(QStringLiteral("ID")).toString(),
                            rs->field(QStringLiteral("Action")).toString(),
                            rs->field(QStringLiteral("Field")).toString(),
                            rs->field(QStringLiteral("OldValue")).toString(),
                            rs->field(QStringLiteral("NewValue")).toString());
        return out;
    }

    platform::dates::FixedToday today{QDate(2001, 7, 4)};
    store::RecordsetPtr list;
    std::unique_ptr<frmChange> window;
};
