// A new user's first hour, from the keyboard alone, on the real windows:
// the first start makes the register, three types are added, ten documents
// filed with short date forms, the list filtered by a few typed letters
// and printed to a PDF file, and an older dBase register imported by a
// start in another folder. Every key goes to whatever has the focus, so a
// control the keyboard cannot reach, a shortcut that does nothing or a
// dialog that opens without focus fails here.

#include "editor/frm_change.h"
#include "legacy/first_start.h"
#include "legacy/legacy_error.h"
#include "main_window/list_fixture.h"
#include "platform/print/print_engine.h"
#include "reports/frm_print.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <functional>

namespace {

QWidget* focused() {
    return QApplication::focusWidget();
}

/// The widget that has the keyboard; a failure when none has.
QWidget* keyboard() {
    QWidget* w = focused();
    if (!w)
        ADD_FAILURE() << "no widget has the keyboard; active window: "
                      << (QApplication::activeWindow()
                              ? QApplication::activeWindow()->metaObject()->className()
                              : "none");
    return w;
}

void type(const QString& text) {
    if (QWidget* w = keyboard())
        QTest::keyClicks(w, text);
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (QWidget* w = keyboard())
        QTest::keyClick(w, key, modifiers);
}

/// Presses Tab until `target` has the focus; false when it never does.
bool tabTo(const QWidget* target) {
    for (int i = 0; i < 40 && focused() != target; ++i)
        press(Qt::Key_Tab);
    return focused() == target;
}

/// Gives `w` the keyboard, as a window manager does when a dialog closes
/// (the headless platform has none).
void activate(QWidget* w) {
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
}

/// Presses `key` and, once the modal window of class `className` it opens
/// has the keyboard, lets `act` work in it; returns when that window has
/// closed, or false after ten seconds. A button's access key clicks it a
/// moment later, so the window may open after the key has been handled.
bool through(const char* className, Qt::Key key, Qt::KeyboardModifiers modifiers,
             const std::function<void(QWidget*)>& act) {
    QWidget* back = QApplication::activeWindow();
    bool closed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (w && w->inherits(className) && QApplication::activeWindow() == w) {
            poll.stop();
            QObject::connect(w, &QDialog::finished, &poll, [&closed] { closed = true; });
            act(w);
        }
    });
    poll.start(10);
    press(key, modifiers);
    const bool inTime = QTest::qWaitFor([&closed] { return closed; }, 10000);
    poll.stop();
    if (back)
        activate(back);
    return inTime;
}

struct Filing {
    const char* description;
    const char* typeKeys; ///< typed into the type list to choose the type
    const char* date;     ///< as typed
    const char* who;
};

} // namespace

class FirstHour : public ListTest {};

TEST_F(FirstHour, FileTenDocumentsFilterPrintAndImportFromTheKeyboard) {
    registerLibrary();
    frmMain& w = start();
    w.show();
    activate(&w);
    ASSERT_TRUE(QFile::exists(dataFile(QStringLiteral("Veld.MDB"))));

    // Maintenance > Manage Types (Ctrl+T): Alt+A, the name, Enter; Escape leaves.
    const QStringList types{QStringLiteral("Invoice"), QStringLiteral("Letter"),
                            QStringLiteral("Contract")};
    ASSERT_TRUE(through("frmTypes", Qt::Key_T, Qt::ControlModifier, [&types](QWidget*) {
        for (const QString& name : types)
            EXPECT_TRUE(through("frmAddType", Qt::Key_A, Qt::AltModifier, [name](QWidget*) {
                type(name);
                press(Qt::Key_Return);
            }));
        press(Qt::Key_Escape);
    }));

    // Add (Alt+A) ten documents; the note is left by Tab onto Update.
    const Filing filings[] = {
        {"Electricity, January", "I", "0203", "Nordgrid"},
        {"Lease of the Mill Street office", "C", "1/12/26", "Harbour Estates"},
        {"Reply about the parking permit", "L", "02/17/2026", "Town Hall"},
        {"Water, first quarter", "I", "0401", "City Water"},
        {"Insurance renewal", "C", "5/2", "Lindqvist Mutual"},
        {"Letter of thanks", "L", "yesterday", "M. Okafor"},
        {"Printer toner", "I", "today", "Office Supply Co"},
        {"Cleaning contract", "C", "0320", "Brightway"},
        {"Electricity, February", "I", "0303", "Nordgrid"},
        {"Water, second quarter", "I", "0701", "City Water"},
    };
    for (const Filing& f : filings) {
        SCOPED_TRACE(f.description);
        bool filled = false;
        EXPECT_TRUE(through("frmChange", Qt::Key_A, Qt::AltModifier, [&filled, &f](QWidget* shown) {
            auto* editor = static_cast<frmChange*>(shown);
            filled = focused() == editor->txtDesc;
            type(QString::fromUtf8(f.description));
            press(Qt::Key_Tab);
            type(QString::fromUtf8(f.typeKeys));
            press(Qt::Key_Tab);
            type(QString::fromUtf8(f.date));
            press(Qt::Key_Tab);
            type(QString::fromUtf8(f.who));
            press(Qt::Key_Tab);
            type(QStringLiteral("Filed in cabinet B."));
            press(Qt::Key_Tab);
            filled = filled && focused() == editor->cmdUpdate;
            press(Qt::Key_Return);
        }));
        EXPECT_TRUE(filled);
        EXPECT_EQ(w.lblDesc->text(), QString::fromUtf8(f.description) + QLatin1Char(' '));
    }
    EXPECT_EQ(gridColumn(1).size(), 10);
    EXPECT_EQ(gridColumn(1).value(0), QStringLiteral("10")); // newest first, IDs proposed 1..10
    EXPECT_EQ(w.lblType->text(), QStringLiteral("Invoice "));

    // Filter: the description filter and the "Filter On" box, by Tab.
    ASSERT_TRUE(tabTo(w.txtFilterDesc));
    type(QStringLiteral("water"));
    ASSERT_TRUE(tabTo(w.chkFilterOn));
    press(Qt::Key_Space);
    EXPECT_EQ(gridColumn(0), (QStringList{QStringLiteral("Water, second quarter"),
                                          QStringLiteral("Water, first quarter")}));

    // File > Print (Ctrl+P): Tab to Print, Space; the output is a PDF file.
    const QString pdf = data.filePath(QStringLiteral("report.pdf"));
    EXPECT_TRUE(
        through("reports::frmPrint", Qt::Key_P, Qt::ControlModifier, [&pdf](QWidget* shown) {
            auto* form = static_cast<reports::frmPrint*>(shown);
            form->VSP->setPdfOutput(pdf); // what the printer dialog's "Print to File" sets
            if (tabTo(form->cmdPrint))
                press(Qt::Key_Space);
            activate(form); // after the "Printing..." window
            press(Qt::Key_Escape);
        }));
    EXPECT_GT(QFileInfo(pdf).size(), 1000);

    // The older register: a first start in a folder that holds it.
    QTemporaryDir demo;
    for (const char* name : {"Document.DBF", "Document.DBT"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DIR "/") + QLatin1String(name),
                                demo.filePath(QLatin1String(name))));
    window.reset();
    session::program::reset();
    options.dataFolder = demo.path();
    options.importLegacy = [folder = demo.path()](const store::Database& newRegister) {
        try {
            legacy::importAtFirstStart(newRegister, folder);
        } catch (const legacy::LegacyError& e) {
            throw StartupError(e.text());
        }
    };
    QStringList said; // the remarks about what could not be read, if any
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&said] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said << box->text();
            box->accept();
        }
    });
    poll.start(10);
    start();
    poll.stop();
    EXPECT_TRUE(gridColumn(0).contains(QStringLiteral("Invoice for office chairs")))
        << said.join('\n').toStdString();
    EXPECT_TRUE(QFile::exists(demo.filePath(QStringLiteral("Document.DBF"))));
}
