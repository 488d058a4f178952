#pragma once
// A fresh register for each test, made the program-wide register dbMain,
// with the Types window opened on it and helpers that drive its modal
// dialogs and message boxes the way a user does: each step waits (on the
// event loop, whenModal() of modal_answers.h) until the expected window is
// the active modal one, then acts.

#include "modal_answers.h"
#include "platform/grid/record_grid.h"
#include "session/program_state.h"
#include "store/recordset.h"
#include "support/register_fixture.h"
#include "types/frm_add_type.h"
#include "types/frm_types.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest/QTest>
#include <memory>

class TypesTest : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        session::program::reset();
        session::program::dbMain = db;
    }

    void TearDown() override {
        cancelWaits();
        window.reset();
        session::program::reset();
    }

    /// Opens the Types window over the register as it is now.
    frmTypes& open() {
        window = std::make_unique<frmTypes>();
        window->show();
        return *window;
    }

    /// The names the grid lists, top to bottom.
    QStringList listed() const {
        QStringList out;
        const QAbstractItemModel* m = window->grdTypes->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data().toString();
        return out;
    }

    /// The name in the grid's current row, or "<none>".
    QString current() const {
        const QModelIndex i = window->grdTypes->currentIndex();
        return i.isValid() ? i.data().toString() : QStringLiteral("<none>");
    }

    /// Makes the listed type `name` current by clicking its row.
    void select(const QString& name) {
        const int row = static_cast<int>(listed().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        const QModelIndex i = window->grdTypes->model()->index(row, 0);
        QTest::mouseClick(window->grdTypes->viewport(), Qt::LeftButton, {},
                          window->grdTypes->visualRect(i).center());
        ASSERT_EQ(current(), name);
    }

    /// The stored type names, in name order.
    QStringList stored() {
        return query(QStringLiteral("SELECT * FROM Types ORDER BY Type"), QStringLiteral("Type"));
    }

    /// Presses Add, types `text` into the dialog and presses Enter; a
    /// message box, when one comes, is answered and recorded in `box`.
    /// Returns whether the dialog closed, and leaves its text in `left`.
    bool addThroughDialog(const QString& text, SeenBox* box, QString* left = nullptr) {
        bool closed = true;
        whenModal<frmAddType>([&](frmAddType* dialog) {
            for (const QChar c : text) {
                // QTest maps only ASCII characters to keys; others arrive
                // as the text of a key without a code, as from an input method.
                if (c.unicode() < 0x80)
                    QTest::keyClick(dialog->txtType, c.toLatin1());
                else
                    QTest::sendKeyEvent(QTest::Click, dialog->txtType, Qt::Key_unknown, QString(c),
                                        Qt::NoModifier);
            }
            answerNextBox(box);
            QTest::keyClick(dialog->txtType, Qt::Key_Return);
            // Still open after the box: note what is left, then cancel.
            whenModal<frmAddType>([&](frmAddType* d) {
                if (!d->isVisible())
                    return;
                closed = false;
                if (left)
                    *left = d->txtType->text();
                QTest::keyClick(d->txtType, Qt::Key_Escape);
            });
        });
        window->cmdAdd->click();
        cancelWaits();
        return closed;
    }

    std::unique_ptr<frmTypes> window;
};
