// frmMain's document list: the filter and order notifications, RefreshList,
// ListFocus and the detail panel (see frm_main.h).
//
// Each keystroke in a text filter (filters on) re-runs the query on the
// list's worker (frm_main_loading.cpp); the user's thread only builds the
// statement and, when the keys arrive, makes the grid's recordset from
// them, finds the remembered row among them and seeks it for the panel.
// Text filter changes re-run the list from a zero-delay timer, so that keys
// typed together are answered by one re-run. Commands that work on the
// list (Add, Change, Delete, Print, export) first apply such a waiting
// re-run and wait for the one under way. A list whose order is more than
// fields and directions (read from the settings) is re-run here, as are
// the refreshes after Add and Delete.

#include "document_files_panel.h"
#include "frm_main.h"
#include "platform/dates/today.h"
#include "platform/dialogs/failure_box.h"
#include "platform/grid/record_grid.h"
#include "session/list_loader.h"
#include "session/program_state.h"
#include "session/recordset_model.h"
#include "session/type_lookups.h"
#include "store/value.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace program = session::program;

namespace {

/// A field's value as the panel shows text: Null as the empty text.
QString text(const QVariant& v) {
    return store::isNull(v) ? QString() : v.toString();
}

} // namespace

void frmMain::connectFilters() {
    connect(chkFilterOn, &QCheckBox::clicked, this, [this](bool ticked) {
        bFilterOn_ = ticked;
        RefreshList(grdInfo);
        ListFocus();
    });
    connect(cmbType, &QComboBox::currentIndexChanged, this, [this] {
        if (bFilterOn_)
            RefreshList(cmbType);
    });
    connect(cmbDate, &QComboBox::currentIndexChanged, this, [this] {
        if (bFilterOn_)
            RefreshList(cmbDate);
    });
    filterTyped_ = new QTimer(this);
    filterTyped_->setSingleShot(true);
    filterTyped_->setInterval(0);
    connect(filterTyped_, &QTimer::timeout, this, [this] {
        if (bFilterOn_ && filterTypedBox_)
            RefreshList(filterTypedBox_);
    });
    for (QLineEdit* box : {txtFilterDesc, txtFilterWho, txtFilterNote, txtFilterContents}) {
        connect(box, &QLineEdit::textChanged, this, [this, box] {
            if (!bFilterOn_)
                return;
            filterTypedBox_ = box;
            filterTyped_->start();
        });
    }
    for (int k = 1; k <= 6; ++k)
        filterControl(k)->installEventFilter(this);
    auto* group = Order[0]->group();
    connect(group, &QButtonGroup::idClicked, this, [this](int index) {
        if (bLoading_)
            return;
        static const char* orders[] = {"ID DESC", "DESCRIPTION", "ID"};
        if (index < 0 || index > 2)
            return;
        sOrderBy_ = QLatin1String(orders[index]);
        RefreshList(grdInfo);
        ListFocus();
    });
}

QWidget* frmMain::filterControl(int index) const {
    switch (index) {
    case 1:
        return cmbType;
    case 2:
        return cmbDate;
    case 3:
        return txtFilterDesc;
    case 4:
        return txtFilterWho;
    case 5:
        return txtFilterNote;
    case 6:
        return txtFilterContents;
    default:
        return nullptr;
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    int index = 0;
    for (int k = 1; k <= 6 && index == 0; ++k)
        if (watched == filterControl(k))
            index = k;
    if (index == 0)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        iFilterFocus_ = index;
        break;
    case QEvent::FocusOut:
        iFilterFocus_ = 0;
        break;
    case QEvent::KeyPress:
        if (index >= 3) {
            // Letters a to z typed into a text filter arrive upper-cased;
            // everything else passes unchanged.
            auto* key = static_cast<QKeyEvent*>(event);
            const QString typed = key->text();
            if (typed.size() == 1 && typed[0] >= QLatin1Char('a') && typed[0] <= QLatin1Char('z')) {
                QKeyEvent upper(QEvent::KeyPress, key->key(), key->modifiers(), typed.toUpper(),
                                key->isAutoRepeat(), static_cast<ushort>(key->count()));
                QCoreApplication::sendEvent(watched, &upper);
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

std::optional<qint16> frmMain::chosenType() const {
    // A typed text that names no item counts as no choice, as does "ALL"
    // and a position beyond the table the list was filled with.
    const int index = cmbType->currentIndex();
    if (index < 1 || cmbType->itemText(index) != cmbType->currentText() ||
        index >= static_cast<int>(typeRecordPtrs_.size()))
        return std::nullopt;
    return typeRecordPtrs_[static_cast<size_t>(index)];
}

ListFilter frmMain::currentFilter() const {
    ListFilter f;
    f.filterOn = bFilterOn_;
    f.description = txtFilterDesc->text();
    f.who = txtFilterWho->text();
    f.note = txtFilterNote->text();
    f.contents = txtFilterContents->text();
    f.days = fnDateRangeDays(cmbDate->currentIndex());
    f.noDate = fnIsNoDateChoice(cmbDate->currentIndex());
    f.type = chosenType();
    f.orderBy = sOrderBy_;
    f.today = platform::dates::today();
    return f;
}

QString frmMain::listStatement() const {
    return dtaDocuments->recordSource();
}

bool frmMain::listOnRow() const {
    const store::RecordsetPtr rs = dtaDocuments->recordset();
    return rs && rs->isOpen() && !rs->eof() && !rs->bof() && rs->absolutePosition() >= 0;
}

void frmMain::flushTypedFilter() {
    if (filterTyped_->isActive()) {
        filterTyped_->stop();
        if (bFilterOn_ && filterTypedBox_)
            RefreshList(filterTypedBox_);
    }
    if (loadPending_ && loader_)
        loader_->waitForIdle();
}

void frmMain::RefreshList(QWidget* pFocusControl) {
    // This re-run reads every filter: a text change waiting is covered.
    filterTyped_->stop();
    const ListFilter filter = currentFilter();
    const auto query = fnListQuery(filter);
    if (!query || !dtaDocuments->recordset()) {
        refreshListNow(pFocusControl);
        return;
    }
    startLoad(*query, fnListStatement(filter));
    // 12. The filter typed into keeps the keys coming.
    if (pFocusControl)
        pFocusControl->setFocus();
}

void frmMain::refreshListNow(QWidget* pFocusControl) {
    filterTyped_->stop();
    if (loadPending_) {
        loader_->cancel();
        endLoad();
    }
    // 1. The row to find again.
    const qint32 remembered = rowToFind();

    // 2-8. The statement, and the list re-run from its first row. The
    // panel is filled once, when the list stands.
    ++holdDisplay_;
    const QString before = dtaDocuments->recordSource();
    const auto beforeQuery = dtaDocuments->recordQuery();
    const ListFilter filter = currentFilter();
    dtaDocuments->setRecordSource(fnListStatement(filter), fnListQuery(filter));
    try {
        dtaDocuments->refresh();
    } catch (const store::EngineError& e) {
        // The list stays as it was, under the statement it was run with.
        dtaDocuments->setRecordSource(before, beforeQuery);
        --holdDisplay_;
        dialogs::showFailure(this, QStringLiteral("The list could not be brought up to date."), e);
        if (pFocusControl)
            pFocusControl->setFocus();
        return;
    }
    // 9-11. The remembered row, with up to five rows above it in view.
    const store::RecordsetPtr rs = dtaDocuments->recordset();
    rs->findFirst(QStringLiteral("RecordPtr = %1").arg(remembered));
    const int found = rs->noMatch() ? -1 : rs->absolutePosition();
    --holdDisplay_;
    showRowAt(found);
    // 12.
    if (pFocusControl)
        pFocusControl->setFocus();
}

void frmMain::ListFocus() {
    if (listOnRow())
        grdInfo->setFocus();
}

void frmMain::listRowChanged() {
    // While RefreshList moves the list, it fills the panel itself at the end.
    if (holdDisplay_ == 0)
        DisplayCurrentRecordInformation();
}

void frmMain::showFiles(const store::Database& db, qint64 recordPtr) {
    panFiles->setLocation(dtaDocuments->databaseName());
    try {
        panFiles->showDocument(db, recordPtr);
    } catch (const store::EngineError&) {
        panFiles->clear();
    }
}

void frmMain::DisplayCurrentRecordInformation() {
    bool shown = false;
    const store::RecordsetPtr& table = program::rsRecordPtr;
    if (listOnRow() && table) {
        try {
            table->seek(QStringLiteral("="),
                        dtaDocuments->recordset()->field(QStringLiteral("RecordPtr")));
            if (!table->noMatch()) {
                const auto field = [&](const char* name) {
                    return table->field(QLatin1String(name));
                };
                lblID->setText(text(field("ID")) + QLatin1Char(' '));
                lblDesc->setText(text(field("Description")) + QLatin1Char(' '));
                const QVariant type = field("DocumentType");
                lblType->setText((store::isNull(type)
                                      ? QString()
                                      : session::fnTypeName(static_cast<qint16>(type.toInt()))) +
                                 QLatin1Char(' '));
                const QVariant stored = field("Date");
                const QDate date = store::dateOf(stored);
                lblDate->setText((date.isValid() ? date.toString(QStringLiteral("M/d/yyyy"))
                                                 : store::undecodedDate(stored)) +
                                 QLatin1Char(' '));
                lblWho->setText(text(field("Who")) + QLatin1Char(' '));
                lblNote->setText(text(field("Note")));
                shown = true;
                showFiles(table->database(), field("RecordPtr").toLongLong());
            }
        } catch (const store::EngineError&) {
            // The row went away between the test and the read: no document.
        }
    }
    // Without a document the panel holds no values either, so nothing of
    // the last one is left for a screen reader walking the window.
    if (!shown) {
        for (QLabel* value : {lblID, lblDesc, lblType, lblDate, lblWho, lblNote})
            value->clear();
        panFiles->clear();
    }
    if (panView->isHidden() == shown)
        panView->setVisible(shown);
    mnuMaintenanceHistory->setEnabled(shown);
    if (QWidget* filter = filterControl(iFilterFocus_))
        filter->setFocus();
}
