// frmChange: the window's controls, its opening (type list, fields, pending
// row) and what its fields do while the user types: change tracking, the
// date field's focus behaviour and the type-ahead of txtDesc and txtWho.
// Update, Exit and closing are in frm_change_update.cpp.
//
// Cost: opening runs one query for the next ID or one type lookup, plus the
// type list's fill; each keystroke in txtDesc or txtWho costs one
// completion lookup (session/type_ahead.h).

#include "frm_change.h"

#include "date_entry.h"
#include "date_field.h"
#include "date_line_edit.h"
#include "document_files_box.h"
#include "file_drop_list.h"
#include "line_text_control.h"
#include "platform/dates/date_text.h"
#include "platform/dates/today.h"
#include "platform/dialogs/failure_box.h"
#include "session/program_state.h"
#include "session/type_lookups.h"
#include "store/value.h"
#include "type_list_combo.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <limits>

namespace {

const QString F_RecordPtr = QStringLiteral("RecordPtr");

/// The label captions of Label1[0..4], top to bottom.
constexpr std::array<const char*, 5> labelCaptions{"ID:", "Desc:", "Type:", "Date:", "Who:"};

} // namespace

frmChange::frmChange(store::RecordsetPtr documents, QWidget* parent)
    : QDialog(parent), dtaDocuments_(std::move(documents)) {
    setWindowTitle(QStringLiteral("Document Information"));
    setModal(true);
    buildControls();
    descControl_ = std::make_unique<editor::LineTextControl>(*txtDesc);
    whoControl_ = std::make_unique<editor::LineTextControl>(*txtWho);

    // Change tracking: every change of a field, by the user or the program.
    const auto changed = [this] { bChangesMade_ = true; };
    connect(txtID, &QLineEdit::textChanged, this, changed);
    connect(txtDate, &QLineEdit::textChanged, this, changed);
    connect(txtNote, &QPlainTextEdit::textChanged, this, changed);
    connect(cmbType, &QComboBox::currentIndexChanged, this, changed);
    connect(files, &editor::DocumentFilesBox::changed, this, changed);
    connect(txtDesc, &QLineEdit::textChanged, this, [this] {
        typeAhead(txtDesc, *descControl_, bDescBackspace_, session::program::rsDescription,
                  &session::TypeAheadDescription);
    });
    connect(txtWho, &QLineEdit::textChanged, this, [this] {
        typeAhead(txtWho, *whoControl_, bWhoBackspace_, session::program::rsWho,
                  &session::TypeAheadWho);
    });
    txtDesc->installEventFilter(this);
    txtWho->installEventFilter(this);

    connect(txtDate, &editor::DateLineEdit::focusGained, this, [this] {
        const editor::DateSelection sel = editor::dateFieldSelection(txtDate->text());
        txtDate->setSelection(sel.start, sel.length);
    });
    connect(txtDate, &editor::DateLineEdit::focusLost, this, &frmChange::txtDate_LostFocus);
    connect(txtDate, &QLineEdit::textEdited, this, [this] { dateUnchecked_ = true; });
    connect(cmdUpdate, &QPushButton::clicked, this, &frmChange::cmdUpdate_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmChange::cmdExit_Click);

    // Opening: the list's recordset is dtaDocuments_ itself, not a copy.
    try {
        if (!dtaDocuments_ || !dtaDocuments_->isOpen())
            throw store::EngineError(store::err::ObjectClosed,
                                     QStringLiteral("The document list is not open."));
        files->setLocation(dtaDocuments_->database().location());
        editor::TypeListCombo list(*cmbType);
        std::vector<qint16> positions; // the editor reads types by name, not by position
        session::FillTypeList(dtaDocuments_->database(), list, false, positions);
        PlaceInformationOnScreen();
    } catch (const store::EngineError& e) {
        openingError_ = e.text();
        // A row the main window reserved for this window is released with it.
        pending_ = dtaDocuments_ && dtaDocuments_->isOpen() &&
                   dtaDocuments_->editMode() != store::EditMode::None;
    }
    bChangesMade_ = false;
    session::program::gNewDocumentID = 0;
}

void frmChange::setRegisterLocation(const QString& location) {
    files->setLocation(location);
}

frmChange::~frmChange() {
    // Hiding the window while it is destroyed moves the focus out of the
    // fields; their notifications must not reach this half-destroyed window.
    txtDate->disconnect(this);
    txtDesc->removeEventFilter(this);
    txtWho->removeEventFilter(this);
    // A window destroyed without Update or Exit leaves nothing pending.
    abandonPending();
}

void frmChange::buildControls() {
    txtID = new QLineEdit(this);
    txtDesc = new QLineEdit(this);
    cmbType = new QComboBox(this);
    cmbType->setEditable(false);
    txtDate = new editor::DateLineEdit(this);
    txtWho = new QLineEdit(this);
    txtNote = new QPlainTextEdit(this);
    txtNote->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtNote->setTabChangesFocus(true);
    cmdUpdate = new QPushButton(QStringLiteral("Update"), this);
    cmdUpdate->setDefault(true);
    cmdExit = new QPushButton(QStringLiteral("Exit, no update"), this);
    files = new editor::DocumentFilesBox(this);
    files->setObjectName(QStringLiteral("files"));

    const std::array<QWidget*, 5> fields{txtID, txtDesc, cmbType, txtDate, txtWho};
    const std::array<const char*, 5> names{"txtID", "txtDesc", "cmbType", "txtDate", "txtWho"};
    auto* grid = new QGridLayout;
    for (size_t i = 0; i < Label1.size(); ++i) {
        const QString caption = QString::fromLatin1(labelCaptions[i]);
        Label1[i] = new QLabel(caption, this);
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        Label1[i]->setBuddy(fields[i]);
        fields[i]->setObjectName(QString::fromLatin1(names[i]));
        fields[i]->setAccessibleName(caption.chopped(1));
        // ID and date are narrow: one column; the others span both.
        const bool narrow = fields[i] == txtID || fields[i] == txtDate;
        const int row = static_cast<int>(i);
        grid->addWidget(Label1[i], row, 0);
        grid->addWidget(fields[i], row, 1, 1, narrow ? 1 : 2);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 3);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setAccessibleName(QStringLiteral("Note"));
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdExit->setObjectName(QStringLiteral("cmdExit"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdUpdate);
    buttons->addWidget(cmdExit);

    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addWidget(txtNote, 1);
    page->addWidget(files, 1);
    page->addLayout(buttons);

    setTabOrder(txtDesc, cmbType);
    setTabOrder(cmbType, txtDate);
    setTabOrder(txtDate, txtWho);
    setTabOrder(txtWho, txtNote);
    setTabOrder(txtNote, cmdUpdate);
    setTabOrder(cmdUpdate, cmdExit);
    // The files come after the buttons, so the fields keep their order.
    setTabOrder(cmdExit, files->lstFiles);
    setTabOrder(files->lstFiles, files->cmdAttach);
    setTabOrder(files->cmdAttach, files->cmdRemove);
    setTabOrder(files->cmdRemove, files->cmdOpen);
    setTabOrder(files->cmdOpen, files->cmdSaveAs);
    setTabOrder(files->cmdSaveAs, txtID);
    // Taller by the files' area, so the note keeps its size.
    resize(480, 500);
}

void frmChange::PlaceInformationOnScreen() {
    store::Recordset& rs = *dtaDocuments_;
    const store::Database db = rs.database();
    filling_ = true; // program-placed text never completes
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{filling_};

    if (session::program::gAddMode) {
        // The highest ID first: a descending order puts Null last.
        store::query::Select highest{QStringLiteral("Documents"), {QStringLiteral("ID")}};
        highest.orderBy(QStringLiteral("ID"), true).limit = 1;
        auto snapshot = db.openRecordset(highest, store::RecordsetType::Snapshot);
        qint64 next = 1; // gaps are never filled: one more than the highest ID
        if (!snapshot->eof() && !store::isNull(snapshot->field(QStringLiteral("ID"))))
            next = snapshot->field(QStringLiteral("ID")).toLongLong() + 1;
        snapshot->close();
        txtID->setText(QString::number(next));
        txtDesc->clear();
        namespace pd = platform::dates;
        txtDate->setText(pd::formatDate(pd::today(), pd::DatePattern::ShortDate));
        txtWho->clear();
        txtNote->clear();
        rs.addNew();
        pending_ = true;
        return;
    }

    txtID->setText(rs.field(QStringLiteral("ID")).toString());
    txtDesc->setText(rs.field(QStringLiteral("Description")).toString());
    // A date another program stored in no form of date shows as stored, so
    // that saving cannot replace it unseen.
    const QVariant date = rs.field(QStringLiteral("Date"));
    const QString shownDate = editor::fnFormatDate(date);
    txtDate->setText(shownDate.isEmpty() ? store::undecodedDate(date) : shownDate);
    const QVariant type = rs.field(QStringLiteral("DocumentType"));
    const int typeNumber = store::isNull(type) ? 0 : type.toInt();
    const bool fits = typeNumber >= std::numeric_limits<qint16>::min() &&
                      typeNumber <= std::numeric_limits<qint16>::max();
    selectType(fits ? static_cast<qint16>(typeNumber) : qint16(0));
    txtWho->setText(rs.field(QStringLiteral("Who")).toString());
    txtNote->setPlainText(rs.field(QStringLiteral("Note")).toString());
    files->load(db, rs.field(F_RecordPtr).toLongLong());
    // The main window reserves the row by beginning the edit; keep that
    // reservation rather than dropping and taking it again.
    if (rs.editMode() != store::EditMode::Editing)
        rs.edit();
    pending_ = true;
}

void frmChange::selectType(qint16 typeRecordPtr) {
    if (typeRecordPtr == 0)
        return; // no type: the selection stays where the fill left it
    const QString name =
        editor::trimTrailingBlanks(store::fnTypeName(dtaDocuments_->database(), typeRecordPtr))
            .toString();
    for (int i = 0; i < cmbType->count(); ++i) {
        if (editor::trimTrailingBlanks(cmbType->itemText(i)) == name) {
            cmbType->setCurrentIndex(i);
            return;
        }
    }
}

bool frmChange::leaveDateField() {
    const editor::DateFieldOutcome outcome = editor::leaveDateField(txtDate->text());
    switch (outcome.verdict) {
    case editor::DateFieldOutcome::KeptBlank:
        dateUnchecked_ = false;
        return true;
    case editor::DateFieldOutcome::Rewritten:
        if (outcome.text != txtDate->text())
            txtDate->setText(outcome.text);
        dateUnchecked_ = false;
        return true;
    case editor::DateFieldOutcome::Refused:
        break;
    }
    checkingDate_ = true;
    showMessage(QString::fromLatin1(editor::NotAValidDateMessage));
    checkingDate_ = false;
    txtDate->setFocus(Qt::OtherFocusReason);
    return false;
}

void frmChange::txtDate_LostFocus(Qt::FocusReason reason) {
    // Another window coming to the front (a message box, another program)
    // is not the user leaving the field.
    if (checkingDate_ || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (!isVisible())
        return;
    // Clicking Update or Exit is no leaving to edit elsewhere: Update reads
    // the date itself (once, with its own message), Exit drops it anyway.
    const QWidget* next = QApplication::focusWidget();
    if (next == cmdUpdate || next == cmdExit)
        return;
    leaveDateField();
}

void frmChange::typeAhead(QLineEdit* field, session::TextControl& control, bool backspace,
                          const store::RecordsetPtr& lookup,
                          void (*routine)(session::TextControl&, store::Recordset&, qint16&,
                                          qint16&)) {
    bChangesMade_ = true;
    if (backspace || filling_ || !lookup)
        return;
    qint16 start = 0;
    qint16 length = 0;
    routine(control, *lookup, start, length);
    if (start != 0)
        field->setSelection(start, length);
}

bool frmChange::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == txtDesc || watched == txtWho)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool& flag = watched == txtDesc ? bDescBackspace_ : bWhoBackspace_;
        // Only keys that type a character count; Delete and moves do not.
        if (key->key() == Qt::Key_Backspace)
            flag = true;
        else if (key->key() != Qt::Key_Delete && !key->text().isEmpty())
            flag = false;
    }
    return QDialog::eventFilter(watched, event);
}

void frmChange::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!openingError_.isEmpty()) {
        // The window could not be filled: say why, then close it.
        QTimer::singleShot(0, this, [this] {
            dialogs::showFailure(
                this, QStringLiteral("The document cannot be opened: %1").arg(openingError_));
            abandonPending();
            QDialog::done(QDialog::Rejected);
        });
        return;
    }
    txtDesc->setFocus(Qt::OtherFocusReason);
}

void frmChange::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    this);
    box.exec();
}
