#pragma once
// A fresh register for each test, made the program-wide register dbMain,
// with the Types window opened on it and helpers that drive its modal
// dialogs and message boxes the way a user does: each step waits (on the
// event loop) until the expected window is the active modal one, then acts.

#include "platform/grid/record_grid.h"
#include "store/program_state.h"
#include "store/recordset.h"
#include "store/register_fixture.h"
#include "types/frm_add_type.h"
#include "types/frm_types.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>

/// What a message box showed and how.
struct BoxSeen {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

class TypesTest : public RegisterTest {
public:
    /// Runs `act` once a window of class T is the active modal window,
    /// unless cancelWaits() runs first.
    /// The first look is made from the event loop, so a wait set up while
    /// a window is showing is met by the next one, not by that one.
    template <class T> static void whenModal(std::function<void(T*)> act) {
        const int gen = generation;
        QTimer::singleShot(0, [gen, act] { whenModalSince<T>(gen, act); });
    }

    /// Drops every wait not yet fulfilled (a box that never came).
    static void cancelWaits() { ++generation; }

    /// Answers the next message box with `button`, recording it in `seen`.
    static void answerBox(BoxSeen* seen, QMessageBox::StandardButton button = QMessageBox::Ok) {
        whenModal<QMessageBox>([seen, button](QMessageBox* box) {
            *seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                     box->standardButton(box->defaultButton())};
            box->button(button)->click();
        });
    }

protected:
    template <class T> static void whenModalSince(int gen, std::function<void(T*)> act) {
        if (gen != generation)
            return;
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(w);
        else
            QTimer::singleShot(5, [gen, act] { whenModalSince<T>(gen, act); });
    }

    void SetUp() override {
        RegisterTest::SetUp();
        store::program::reset();
        store::program::dbMain = db;
    }

    void TearDown() override {
        cancelWaits();
        window.reset();
        store::program::reset();
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
    bool addThroughDialog(const QString& text, BoxSeen* box, QString* left = nullptr) {
        bool closed = true;
        whenModal<frmAddType>([&](frmAddType* dialog) {
            QTest::keyClicks(dialog->txtType, text);
            answerBox(box);
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
    static inline int generation = 0; ///< bumped to drop pending waits
};
