// frmMain's list re-runs on the list's worker (see frm_main.h).
//
// RefreshList hands the statement's description to a ListLoader and
// returns. The grid keeps the rows it shows until the first keys of the
// new list arrive; they replace the list at once, and the whole list
// (row count, scroll bar) follows when its keys are read. The document
// that was current is found again among the keys as soon as they hold
// it, with up to five rows above it in view; until then the panel keeps
// showing it, so it does not flicker through the top row. A re-run that
// fails puts back the list as it stood and says so, as the synchronous
// re-run does. A newer re-run overtakes an older one, whose results are
// never shown. A busy sign appears when the first rows take longer than
// a moment.

#include "frm_main.h"
#include "platform/dialogs/failure_box.h"
#include "platform/grid/record_grid.h"
#include "session/file_text_reader.h"
#include "session/list_loader.h"
#include "session/recordset_model.h"

#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <algorithm>

namespace {

/// The rows kept in view above the document found again.
constexpr int rowsAbove = 5;
/// How long the first rows may take before the busy sign shows.
constexpr int busyDelayMs = 150;

} // namespace

// The text of stored files is read in the background from the start on,
// also of files another program filed (the command line, another desk).
void frmMain::wakeTextReader() {
    if (!textReader_) {
        textReader_ = new session::FileTextReader(dtaDocuments->databaseName(), {}, this);
        textReader_->start();
    }
    textReader_->wake();
}

void frmMain::startLoad(const store::query::Select& query, const QString& statement) {
    if (!loader_) {
        loader_ = new session::ListLoader(dtaDocuments->databaseName(), this);
        connect(loader_, &session::ListLoader::firstRows, this, &frmMain::listFirstRows);
        connect(loader_, &session::ListLoader::allRows, this, &frmMain::listAllRows);
        connect(loader_, &session::ListLoader::failed, this, &frmMain::listLoadFailed);
        busyDelay_ = new QTimer(this);
        busyDelay_->setSingleShot(true);
        busyDelay_->setInterval(busyDelayMs);
        connect(busyDelay_, &QTimer::timeout, this, [this] { showBusy(true); });
        lblSearching_ = new QLabel(QStringLiteral("Searching..."), grdInfo);
        lblSearching_->setObjectName(QStringLiteral("lblSearching"));
        lblSearching_->setAccessibleName(QStringLiteral("Searching"));
        lblSearching_->setAutoFillBackground(true);
        lblSearching_->setFrameStyle(QFrame::Box | QFrame::Plain);
        lblSearching_->hide();
    }
    // The list runs again after every change: files filed with it get read.
    wakeTextReader();
    if (!loadPending_) {
        loadBefore_ = dtaDocuments->recordset();
        loadBeforeSource_ = dtaDocuments->recordSource();
        loadBeforeQuery_ = dtaDocuments->recordQuery();
        loadShown_ = false;
    }
    remembered_ = rowToFind();
    findPending_ = true;
    rememberedAtRow_ = listModel_->currentRow();
    loadStatement_ = statement;
    loadQuery_ = query;
    loadPending_ = true;
    // Enough rows for the screen, and for the rows above a document found
    // among them.
    const int rowHeight = std::max(1, grdInfo->verticalHeader()->defaultSectionSize());
    const int screenRows = grdInfo->viewport()->height() / rowHeight + 1;
    loadGeneration_ = loader_->load(query, std::max(32, screenRows + rowsAbove));
    if (!busyDelay_->isActive() && lblSearching_->isHidden())
        busyDelay_->start();
}

qint32 frmMain::rowToFind() const {
    if (findPending_ && listModel_->currentRow() == rememberedAtRow_)
        return remembered_;
    try {
        if (listOnRow())
            return dtaDocuments->recordset()->field(QStringLiteral("RecordPtr")).toInt();
    } catch (const store::EngineError&) {
        // The row went away under the list: nothing to find again.
    }
    return 0;
}

void frmMain::waitForList() {
    flushTypedFilter();
}

bool frmMain::listShowsLatest() const {
    return !filterTyped_->isActive() && (!loadPending_ || loadShown_);
}

bool frmMain::listComplete() const {
    return !filterTyped_->isActive() && !loadPending_;
}

bool frmMain::showLoadedKeys(const std::vector<qint64>& keys) {
    loadShown_ = true;
    ++holdDisplay_;
    try {
        dtaDocuments->showKeys(loadStatement_, *loadQuery_, keys);
    } catch (const store::EngineError& e) {
        --holdDisplay_;
        listLoadFailed(loadGeneration_, std::make_exception_ptr(e));
        return false;
    }
    --holdDisplay_;
    return true;
}

void frmMain::showRowAt(int row) {
    ++holdDisplay_;
    if (row >= 0) {
        listModel_->setCurrentRow(row);
        const int top = std::max(0, row - rowsAbove);
        if (grdInfo->rowAt(0) > top || grdInfo->rowAt(0) < 0)
            grdInfo->scrollTo(listModel_->index(top, 0), QAbstractItemView::PositionAtTop);
        grdInfo->scrollTo(listModel_->index(row, 0), QAbstractItemView::EnsureVisible);
    } else {
        grdInfo->scrollToTop();
    }
    --holdDisplay_;
    findPending_ = false;
    DisplayCurrentRecordInformation();
}

namespace {

int indexOf(const std::vector<qint64>& keys, qint32 key) {
    if (key == 0)
        return -1;
    const auto it = std::find(keys.begin(), keys.end(), static_cast<qint64>(key));
    return it == keys.end() ? -1 : static_cast<int>(it - keys.begin());
}

} // namespace

void frmMain::listFirstRows(quint64 generation, const std::vector<qint64>& keys, bool complete) {
    if (!loadPending_ || generation != loadGeneration_)
        return;
    showBusy(false);
    const qint32 wanted = rowToFind();
    if (!showLoadedKeys(keys))
        return;
    const int found = indexOf(keys, wanted);
    if (found >= 0 || complete || wanted == 0) {
        showRowAt(found);
    } else {
        // The document may lie further down: the panel keeps it until the
        // whole list says where, or that it is gone.
        remembered_ = wanted;
        findPending_ = true;
        rememberedAtRow_ = listModel_->currentRow();
    }
    if (complete)
        endLoad();
}

void frmMain::listAllRows(quint64 generation, const std::vector<qint64>& keys) {
    if (!loadPending_ || generation != loadGeneration_)
        return;
    showBusy(false);
    const qint32 wanted = rowToFind();
    const int top = grdInfo->rowAt(0);
    if (!showLoadedKeys(keys))
        return;
    // The first rows stay where they were on the screen.
    if (top > 0)
        grdInfo->scrollTo(listModel_->index(top, 0), QAbstractItemView::PositionAtTop);
    showRowAt(indexOf(keys, wanted));
    endLoad();
}

void frmMain::listLoadFailed(quint64 generation, std::exception_ptr error) {
    if (!loadPending_ || generation != loadGeneration_)
        return;
    showBusy(false);
    if (loadShown_) {
        // The list as it stood, under the statement it was run with.
        ++holdDisplay_;
        dtaDocuments->setRecordSource(loadBeforeSource_, loadBeforeQuery_);
        dtaDocuments->setRecordset(loadBefore_);
        --holdDisplay_;
        DisplayCurrentRecordInformation();
    }
    if (loader_)
        loader_->cancel();
    endLoad();
    findPending_ = false;
    const QString what = QStringLiteral("The list could not be brought up to date.");
    try {
        std::rethrow_exception(error);
    } catch (const Failure& e) {
        dialogs::showFailure(this, what, e);
    } catch (...) {
        dialogs::showFailure(this, what);
    }
}

void frmMain::endLoad() {
    loadPending_ = false;
    loadShown_ = false;
    loadBefore_.reset();
    loadBeforeQuery_.reset();
    showBusy(false);
}

void frmMain::showBusy(bool busy) {
    if (!lblSearching_)
        return;
    if (!busy) {
        busyDelay_->stop();
        if (!lblSearching_->isHidden()) {
            lblSearching_->hide();
            grdInfo->viewport()->unsetCursor();
        }
        return;
    }
    lblSearching_->adjustSize();
    lblSearching_->move(grdInfo->width() - lblSearching_->width() - 4,
                        grdInfo->height() - lblSearching_->height() - 4);
    lblSearching_->raise();
    lblSearching_->show();
    grdInfo->viewport()->setCursor(Qt::BusyCursor);
}
