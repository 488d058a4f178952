// frmChange: leaving the window. Update hands the six fields to the engine
// (store/document_filing.h), which checks the ID and the date and stores
// the document with its history in one write transaction; the window shows
// what came of it. Exit (button or Escape) asks before dropping edits;
// closing from the frame drops them without asking.
//
// Every message is shown after the engine's transaction has ended, so a
// window waiting for its OK never keeps others from writing.

#include "date_entry.h"
#include "date_field.h"
#include "date_line_edit.h"
#include "document_files_box.h"
#include "frm_change.h"
#include "platform/dates/date_text.h"
#include "session/program_state.h"
#include "store/document_filing.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace {

const QString DuplicateIDMessage =
    QStringLiteral("ID already defined for another entry.  Please enter a different ID number.");
const QString BadIDMessage = QStringLiteral(
    "The ID must be a whole number from -2147483648 to 2147483647.  Please enter a different ID "
    "number.");

} // namespace

void frmChange::cmdUpdate_Click() {
    if (!pending_)
        return;
    // Enter in the date field does not move the focus, and a click moves
    // it without the check: read shorthand such as "today" the way leaving
    // the field would.
    if ((txtDate->hasFocus() || dateUnchecked_) && !leaveDateField())
        return;
    if (files->busy()) {
        showMessage(QStringLiteral("The files are still being added.  Please wait until they are "
                                   "stored, then press Update again."));
        return;
    }

    const store::FilingResult filed = store::fileDocument(*dtaDocuments_, entry());
    switch (filed.outcome) {
    case store::Filing::Stored:
        pending_ = false;
        if (session::program::gAddMode)
            session::program::gNewDocumentID = filed.id;
        accept();
        return;
    case store::Filing::BadID:
        showMessage(BadIDMessage);
        break;
    case store::Filing::DuplicateID:
        showMessage(DuplicateIDMessage);
        break;
    case store::Filing::BadDate:
        showMessage(QString::fromLatin1(editor::NotAValidDateMessage));
        txtDate->setFocus(Qt::OtherFocusReason);
        return;
    case store::Filing::HeldByOther:
    case store::Filing::Failed:
        if (filed.rowLost)
            pending_ = false; // nothing to store into any more; Exit just closes
        showMessage(QStringLiteral("The document was not stored: %1").arg(filed.failure));
        return;
    }
    txtID->setFocus(Qt::OtherFocusReason);
    txtID->selectAll();
}

store::DocumentEntry frmChange::entry() const {
    store::DocumentEntry e;
    e.id = txtID->text();
    e.description = txtDesc->text();
    if (cmbType->currentIndex() >= 0)
        e.type = cmbType->currentText();
    e.date = platform::dates::toDate(txtDate->text());
    e.who = txtWho->text();
    e.note = txtNote->toPlainText();
    e.attach = files->attach();
    e.detach = files->detach();
    return e;
}

void frmChange::cmdExit_Click() {
    if (bChangesMade_) {
        QMessageBox box(QMessageBox::Question, QApplication::applicationName(),
                        QStringLiteral("Changes made, still exit?"),
                        QMessageBox::Ok | QMessageBox::Cancel, this);
        if (box.exec() != QMessageBox::Ok)
            return;
    }
    abandonPending();
    QDialog::done(QDialog::Rejected);
}

void frmChange::reject() {
    cmdExit_Click();
}

void frmChange::closeEvent(QCloseEvent* event) {
    // Closing from the frame: drop the pending row, as Exit does, unasked.
    if (isVisible()) {
        abandonPending();
        QDialog::done(QDialog::Rejected);
    }
    event->accept();
}

void frmChange::abandonPending() {
    if (!pending_)
        return;
    pending_ = false;
    try {
        if (dtaDocuments_->editMode() != store::EditMode::None)
            dtaDocuments_->cancelUpdate();
    } catch (const store::EngineError&) {
        // the recordset was closed under the window: nothing is pending
    }
}
