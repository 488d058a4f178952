// The report window driven headless: the count on activation and a fresh
// one on every later activation (also as a screen reader hears it), "No
// information to print." closing the window, the grayed ID and Description
// boxes, the columns the boxes add, "Printed" shown after a run and hidden
// two seconds later, Preview then Print printing the same list, and a
// failing printer reported while the window stays usable and the pointer
// is not left busy.

#include "modal_answers.h"
#include "platform/print/print_engine.h"
#include "reports/frm_print.h"
#include "store/recordset.h"
#include "support/register_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class ReportWindow : public RegisterTest {
protected:
    std::unique_ptr<reports::frmPrint> open() {
        auto form = std::make_unique<reports::frmPrint>(db, [this] { return sql; });
        form->VSP->setProgressWindow(false);
        form->show();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !form->lblRecordCount->text().isEmpty() || !form->isVisible(); }));
        return form;
    }
    /// Headings printed on the first page of the last run, left to right.
    static QStringList headings(const reports::frmPrint& form) {
        QStringList out;
        const auto& doc = form.VSP->document();
        for (const auto& item : doc.pages.at(0).items)
            if (doc.fonts[static_cast<size_t>(item.font)].font.underline())
                out << item.text;
        return out;
    }
    QString sql = QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC");
};

} // namespace

TEST_F(ReportWindow, CountOnActivationAndAFreshOneOnTheNext) {
    add({1, QStringLiteral("only")});
    auto form = open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Print"));
    EXPECT_EQ(form->lblRecordCount->text(), QStringLiteral("1 documents to print"));

    add({2, QStringLiteral("second")});
    add({3, QStringLiteral("third")});
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(form.get(), &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form.get(), &activate);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return form->lblRecordCount->text().startsWith(QLatin1Char('3')); }));
    EXPECT_EQ(form->lblRecordCount->text(), QStringLiteral("3 documents to print"));
    // A screen reader hears the fresh count, described.
    QAccessibleInterface* count = QAccessible::queryAccessibleInterface(form->lblRecordCount);
    EXPECT_EQ(count->text(QAccessible::Name), QStringLiteral("3 documents to print"));
    EXPECT_EQ(count->text(QAccessible::Description),
              QStringLiteral("Number of documents to print"));
}

TEST_F(ReportWindow, EmptyListSaysNoInformationAndCloses) {
    BoxAnswerer boxes;
    auto form = open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }));
    EXPECT_EQ(form->result(), QDialog::Rejected);
    ASSERT_EQ(boxes.seen().size(), 1);
    const SeenBox& seen = boxes.seen()[0];
    EXPECT_EQ(seen.text, QStringLiteral("No information to print."));
    EXPECT_EQ(seen.title, QCoreApplication::applicationName());
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_TRUE(form->lblRecordCount->text().isEmpty());
}

TEST_F(ReportWindow, ListEmptiedSinceOpeningClosesOnTheNextActivation) {
    add({1, QStringLiteral("only")});
    auto form = open();
    ASSERT_TRUE(form->isVisible());
    sql = QStringLiteral("SELECT * FROM Documents WHERE ID > 100");
    BoxAnswerer boxes;
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form.get(), &activate);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("No information to print.")});
}

TEST_F(ReportWindow, ControlsAndTabOrder) {
    add({1, QStringLiteral("only")});
    auto form = open();
    const QStringList captions{"Description", "ID", "Type", "Date", "Who"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(form->chkFields[static_cast<size_t>(i)]->text(), captions[i]);
    for (int i : {0, 1}) {
        EXPECT_EQ(form->chkFields[static_cast<size_t>(i)]->checkState(), Qt::PartiallyChecked);
        EXPECT_FALSE(form->chkFields[static_cast<size_t>(i)]->isEnabled());
    }
    for (int i : {2, 3, 4})
        EXPECT_EQ(form->chkFields[static_cast<size_t>(i)]->checkState(), Qt::Unchecked);
    EXPECT_EQ(form->cmdPrintSetup->text(), QStringLiteral("Print Setup..."));
    EXPECT_FALSE(form->VSP->isVisible());
    EXPECT_FALSE(form->lblPrinted->isVisible());
    EXPECT_EQ(form->tmrPrinted->interval(), 2000);
    // Exit, Print, Print Setup, then the column boxes that can be ticked.
    QWidget* w = form->cmdExit;
    const QList<QWidget*> expected{form->cmdPrint,     form->cmdPrintSetup, form->chkFields[0],
                                   form->chkFields[1], form->chkFields[2],  form->chkFields[3],
                                   form->chkFields[4]};
    for (QWidget* next : expected) {
        w = w->nextInFocusChain();
        EXPECT_EQ(w, next);
    }
    // The upper band keeps its place above the preview pane.
    EXPECT_LT(form->cmdExit->geometry().bottom(), form->VSP->parentWidget()->geometry().top());
}

TEST_F(ReportWindow, TickedBoxesAddTheirColumnsAndPrintedShowsForTwoSeconds) {
    add({1, QStringLiteral("only"), QDate(2002, 1, 5), QStringLiteral("Smith")});
    auto form = open();
    form->chkFields[2]->setChecked(true);
    form->chkFields[3]->setChecked(true);
    form->cmdPreview->click();
    EXPECT_TRUE(form->VSP->isVisible());
    EXPECT_EQ(headings(*form), (QStringList{"ID", "Description", "Type", "Date"}));
    EXPECT_TRUE(form->lblPrinted->isVisible());
    EXPECT_EQ(form->lblPrinted->text(), QStringLiteral("Printed"));
    EXPECT_TRUE(form->lblPrinted->font().bold());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->lblPrinted->isVisible(); }, 4000));
    EXPECT_FALSE(form->tmrPrinted->isActive());
}

TEST_F(ReportWindow, PreviewThenPrintPrintTheSameListAndThePaneStays) {
    for (int i = 1; i <= 3; ++i)
        add({i, QStringLiteral("Doc %1").arg(i)});
    QTemporaryDir out;
    auto form = open();
    form->VSP->setPdfOutput(out.filePath(QStringLiteral("r.pdf")));
    form->cmdPreview->click();
    const auto previewed = form->VSP->document().pages.at(0).items.size();
    form->cmdPrint->click();
    EXPECT_TRUE(form->VSP->isVisible());
    EXPECT_EQ(form->VSP->document().pages.at(0).items.size(), previewed);
    EXPECT_GT(QFileInfo(out.filePath(QStringLiteral("r.pdf"))).size(), 500);
    EXPECT_TRUE(form->VSP->preview()); // the next Preview previews again
}

TEST_F(ReportWindow, PrinterFailureIsReportedAndTheWindowStaysUsable) {
    add({1, QStringLiteral("only")});
    auto form = open();
    form->VSP->setPdfOutput(QStringLiteral("/nonexistent-folder/r.pdf"));
    BoxAnswerer boxes;
    form->cmdPrint->click();
    ASSERT_EQ(boxes.seen().size(), 1);
    const QString said = boxes.seen()[0].text;
    EXPECT_TRUE(said.startsWith(QStringLiteral("The report could not be printed.")));
    EXPECT_TRUE(said.contains(QStringLiteral("/nonexistent-folder/r.pdf")));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(form->lblPrinted->isVisible());
    EXPECT_TRUE(form->isVisible());
    // The next preview works and does not try the printer.
    form->cmdPreview->click();
    EXPECT_EQ(boxes.seen().size(), 1);
    EXPECT_TRUE(form->lblPrinted->isVisible());
    EXPECT_EQ(form->VSP->document().pages.size(), 1u);
}

TEST_F(ReportWindow, UnreadableListIsReportedNotCrashed) {
    add({1, QStringLiteral("only")});
    sql = QStringLiteral("SELECT ID FROM Documents");
    BoxAnswerer boxes;
    auto form = open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }));
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_TRUE(boxes.seen()[0].text.contains(QStringLiteral("Description")))
        << boxes.seen()[0].text.toStdString();
}

TEST_F(ReportWindow, CancelInTheProgressWindowStopsThePrinting) {
    for (int i = 1; i <= 130; ++i)
        add({i, QStringLiteral("Doc %1").arg(i)});
    QTemporaryDir out;
    auto form = open();
    form->VSP->setProgressWindow(true);
    form->VSP->setPdfOutput(out.filePath(QStringLiteral("r.pdf")));
    QString shownText;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (auto* progress = form->findChild<QProgressDialog*>()) {
            shownText = progress->labelText();
            EXPECT_EQ(progress->windowTitle(), QStringLiteral("Printing..."));
            progress->cancel();
            canceller.stop();
        }
    });
    canceller.start(0);
    form->cmdPrint->click();
    EXPECT_TRUE(shownText.contains(QStringLiteral("Now printing Page 1 of 3")))
        << shownText.toStdString();
    EXPECT_TRUE(shownText.contains(QStringLiteral("on the PDF file on ")));
    EXPECT_FALSE(form->lblPrinted->isVisible()); // nothing was printed
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->cmdPreview->isEnabled());
}

TEST_F(ReportWindow, WithoutAPrinterPrintProposesAPdfFileAndCancelChoosesNothing) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    add({1, QStringLiteral("only")});
    QTemporaryDir home;
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    auto form = open();
    // Cancelled: nothing printed, and the next Print asks again.
    QString proposed;
    whenModal<QPrintDialog>([&proposed](QPrintDialog* dialog) {
        proposed = dialog->printer()->outputFileName();
        dialog->reject();
    });
    form->cmdPrint->click();
    EXPECT_EQ(proposed, home.filePath(QStringLiteral("Arkelby report.pdf")));
    EXPECT_FALSE(form->VSP->hasUsablePrinter());
    EXPECT_FALSE(QFile::exists(proposed));
    // Accepted: the report goes to the proposed file.
    whenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->accept(); });
    form->cmdPrint->click();
    EXPECT_GT(QFileInfo(proposed).size(), 500);
    qputenv("HOME", realHome);
}
