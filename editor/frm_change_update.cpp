// frmChange: leaving the window. Update checks the ID and the date and
// stores the six fields; Exit (button or Escape) asks before dropping
// edits; closing from the frame drops them without asking.
//
// The ID is refused unless it is a whole number of 32 bits, so only a
// number ever reaches the duplicate test's statement. The duplicate test
// and the store run inside one write transaction on the recordset's
// database, so no other user can file the same ID in between; every
// message is shown after that transaction has ended, so a window waiting
// for its OK never keeps others from writing.
//
// Cost: Update runs one query (the duplicate test), one type lookup and one
// write, holding the register's write lock only for those.

#include "date_entry.h"
#include "date_field.h"
#include "date_line_edit.h"
#include "frm_change.h"
#include "platform/dates/date_text.h"
#include "store/document_history.h"
#include "store/program_state.h"
#include "store/transaction.h"
#include "store/type_lookups.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <optional>

namespace {

const QString DuplicateIDMessage =
    QStringLiteral("ID already defined for another entry.  Please enter a different ID number.");
const QString BadIDMessage = QStringLiteral(
    "The ID must be a whole number from -2147483648 to 2147483647.  Please enter a different ID "
    "number.");

/// The ID typed, when it is a whole number of 32 bits (blanks around it
/// allowed), else nothing.
std::optional<qint32> wholeNumberID(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^ *-?[0-9]+ *$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint32 id = text.trimmed().toInt(&ok);
    return ok ? std::optional<qint32>(id) : std::nullopt;
}

/// What Update found, to be reported once its transaction has ended.
enum class Verdict { Stored, BadID, Duplicate, BadDate, EngineFailure };

} // namespace

bool frmChange::fnDuplicateID(const QString& pID, qint32 pRecordPtr) const {
    using store::query::Op;
    store::query::Select q{QStringLiteral("Documents")};
    q.where({QStringLiteral("RecordPtr"), Op::NotEqual, pRecordPtr})
        .where({QStringLiteral("ID"), Op::Equal, pID.trimmed().toInt()});
    auto snapshot = dtaDocuments_->database().openRecordset(q, store::RecordsetType::Snapshot);
    return !(snapshot->eof() && snapshot->bof());
}

void frmChange::cmdUpdate_Click() {
    if (!pending_)
        return;
    // Enter in the date field does not move the focus, and a click moves
    // it without the check: read shorthand such as "today" the way leaving
    // the field would.
    if ((txtDate->hasFocus() || dateUnchecked_) && !leaveDateField())
        return;

    store::Recordset& rs = *dtaDocuments_;
    const bool adding = store::program::gAddMode;
    const std::optional<qint32> id = wholeNumberID(txtID->text());
    Verdict verdict = id ? Verdict::Stored : Verdict::BadID;
    QString failure;
    bool stored = false; // update() ran: the pending row is gone
    if (id) {
        try {
            store::Transaction transaction(rs.database());
            const qint32 recordPtr = adding ? 0 : rs.field(QStringLiteral("RecordPtr")).toInt();
            const std::optional<QDate> date = platform::dates::toDate(txtDate->text());
            if (fnDuplicateID(txtID->text(), recordPtr)) {
                verdict = Verdict::Duplicate;
            } else if (!date) {
                verdict = Verdict::BadDate;
            } else {
                writeDocument(*id, *date, recordPtr, adding, stored);
                transaction.commit();
            }
        } catch (const store::EngineError& e) {
            verdict = Verdict::EngineFailure;
            failure = e.text();
        }
    }

    switch (verdict) {
    case Verdict::Stored:
        pending_ = false;
        if (adding)
            store::program::gNewDocumentID = *id;
        accept();
        return;
    case Verdict::BadID:
        showMessage(BadIDMessage);
        break;
    case Verdict::Duplicate:
        showMessage(DuplicateIDMessage);
        break;
    case Verdict::BadDate:
        showMessage(QString::fromLatin1(editor::NotAValidDateMessage));
        txtDate->setFocus(Qt::OtherFocusReason);
        return;
    case Verdict::EngineFailure:
        // The transaction was rolled back; if the row had been handed to
        // the engine, start it again so the entries can still be stored.
        if (stored)
            restorePending();
        showMessage(QStringLiteral("The document was not stored: %1").arg(failure));
        return;
    }
    txtID->setFocus(Qt::OtherFocusReason);
    txtID->selectAll();
}

void frmChange::writeDocument(qint32 id, const QDate& date, qint32 recordPtr, bool adding,
                              bool& stored) {
    store::Recordset& rs = *dtaDocuments_;
    const int typeIndex = cmbType->currentIndex();
    const qint16 type =
        typeIndex < 0 ? qint16(0) : store::fnTypeRecordPtr(rs.database(), cmbType->currentText());
    // The document as it stands, for its history.
    const store::DocumentFields before =
        adding ? store::DocumentFields{} : store::storedDocumentFields(rs.database(), recordPtr);
    rs.setField(QStringLiteral("ID"), id);
    rs.setField(QStringLiteral("Description"), txtDesc->text());
    rs.setField(QStringLiteral("Date"), date);
    rs.setField(QStringLiteral("DocumentType"), type);
    rs.setField(QStringLiteral("Who"), txtWho->text());
    rs.setField(QStringLiteral("Note"), txtNote->toPlainText());
    const store::DocumentFields after = store::documentFields(rs);
    rs.update();
    stored = true;
    if (adding)
        store::historyAdded(rs.database(), rs.lastModified(), after);
    else
        store::historyChanged(rs.database(), recordPtr, before, after);
}

void frmChange::restorePending() {
    try {
        if (store::program::gAddMode)
            dtaDocuments_->addNew();
        else
            dtaDocuments_->edit();
    } catch (const store::EngineError&) {
        pending_ = false; // nothing to store into any more; Exit just closes
    }
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
