// frmMain's commands: Add, Change and Delete on the list's current
// document, "Set as default" for the order, and the menu's Print, Manage
// Types and Contents (see frm_main.h).
//
// Change and Delete ask the query library first whether the list is on a
// row; a library that cannot be created is reported, not ignored. A
// Delete the engine refuses (another user holds the row) is reported and
// leaves the list as it was.

#include "frm_main.h"
#include "platform/dates/today.h"
#include "platform/dialogs/failure_box.h"
#include "platform/grid/record_grid.h"
#include "platform/help/help_topic.h"
#include "platform/settings/settings.h"
#include "query_library.h"
#include "reports/frm_print.h"
#include "reports/list_export_dialog.h"
#include "reports/menu_messages.h"
#include "session/program_state.h"
#include "store/document_history.h"
#include "store/transaction.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>

namespace program = session::program;

namespace {

/// The query library for a command, or null after telling the user why
/// the command cannot run.
com::Ptr<brellox::_clsAccess> libraryFor(QWidget* parent, const QString& command) {
    QString why;
    auto library = query_library::access(&why);
    if (!library)
        dialogs::showFailure(parent,
                             QStringLiteral("The query library Brellox could not be started, so "
                                            "the document cannot be %1.\n\n%2")
                                 .arg(command, why));
    return library;
}

/// The list's recordset when a command on the current document may go
/// ahead: the query library is there (else the user is told) and says that
/// a document is current. Null otherwise.
store::RecordsetPtr currentDocument(QWidget* parent, const session::DataControl& list,
                                    const QString& command) {
    const auto library = libraryFor(parent, command);
    if (!library)
        return nullptr;
    store::RecordsetPtr rs = list.recordset();
    return query_library::fnAnyRecords(*library.get(), rs) ? rs : nullptr;
}

/// "alice on desk7 has been changing it since 3:07 PM" (and the day when
/// it was not today).
QString holderSentence(const store::RowHolder& holder) {
    const QDateTime since = holder.since.toLocalTime();
    QString when = QLocale::c().toString(since.time(), QStringLiteral("h:mm AP"));
    if (since.date() != platform::dates::today())
        when += QStringLiteral(" on ") + since.date().toString(QStringLiteral("M/d/yyyy"));
    return QStringLiteral("%1 on %2 has been changing it since %3.")
        .arg(holder.login, holder.computer, when);
}

} // namespace

void frmMain::cmdAdd_Click() {
    flushTypedFilter();
    program::gAddMode = true;
    program::gNewDocumentID = 0;
    windows.editor(dtaDocuments->recordset(), this);
    if (program::gNewDocumentID != 0) {
        const store::RecordsetPtr rs = dtaDocuments->recordset();
        try {
            rs->requery();
            rs->findFirst(QStringLiteral("ID = %1").arg(program::gNewDocumentID));
            if (!rs->noMatch())
                refreshListNow(grdInfo);
        } catch (const store::EngineError& e) {
            dialogs::showFailure(this, QStringLiteral("The list could not be brought up to date."),
                                 e);
        }
    }
    DisplayCurrentRecordInformation();
    ListFocus();
}

void frmMain::cmdChange_Click() {
    flushTypedFilter();
    const store::RecordsetPtr rs = currentDocument(this, *dtaDocuments, QStringLiteral("changed"));
    if (!rs)
        return;
    // Reserve the row: another user editing it makes this fail, and is
    // named; any other failure (a server gone) is told as what it is.
    try {
        rs->edit();
    } catch (const store::EngineError& e) {
        if (e.number() != store::err::RecordLocked) {
            dialogs::showFailure(
                this, QStringLiteral("The document could not be reserved for changing."), e);
            return;
        }
        QString text = QStringLiteral("Someone else is editing this record.  Please wait and "
                                      "try again, later.");
        try {
            if (const auto holder = rs->holderOfCurrent())
                text += QStringLiteral("\n\n") + holderSentence(*holder);
        } catch (const store::EngineError&) {
            // Who it is is a help; the refusal stands without it.
        }
        QMessageBox box(QMessageBox::NoIcon, dialogs::applicationTitle(), text, QMessageBox::Ok,
                        this);
        box.exec();
        return;
    }
    rs->cancel();
    program::gAddMode = false;
    windows.editor(rs, this);
    DisplayCurrentRecordInformation();
    ListFocus();
}

void frmMain::cmdDelete_Click() {
    flushTypedFilter();
    const store::RecordsetPtr rs = currentDocument(this, *dtaDocuments, QStringLiteral("deleted"));
    if (!rs)
        return;
    QString description;
    QString id;
    try {
        const QVariant d = rs->field(QStringLiteral("Description"));
        description = store::isNull(d) ? QString() : d.toString();
        while (description.endsWith(QLatin1Char(' ')))
            description.chop(1);
        id = QString::number(rs->field(QStringLiteral("ID")).toLongLong());
    } catch (const store::EngineError& e) {
        dialogs::showFailure(this, QStringLiteral("The document could not be read."), e);
        return;
    }
    const QString question = QStringLiteral("Delete \"%1\" (%2)").arg(description, id);
    const auto answer =
        QMessageBox::question(this, dialogs::applicationTitle(), question,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer == QMessageBox::Ok) {
        bool deleted = false;
        try {
            // The delete and its history entry as one step.
            const store::Database db = rs->database();
            store::Transaction transaction(db);
            const store::DocumentFields gone = store::documentFields(*rs);
            const qint64 recordPtr = rs->field(QStringLiteral("RecordPtr")).toLongLong();
            store::historyFilesGoing(db, recordPtr); // its files go with it
            rs->deleteCurrent();
            store::historyDeleted(db, recordPtr, gone);
            transaction.commit();
            deleted = true;
        } catch (const store::EngineError& e) {
            dialogs::showFailure(this,
                                 QStringLiteral("The document \"%1\" (%2) could not be deleted.")
                                     .arg(description, id),
                                 e);
        }
        if (deleted) {
            if (!rs->eof())
                rs->moveNext();
            else if (!rs->bof())
                rs->movePrevious();
            refreshListNow(grdInfo);
            // An emptied list hides the panel: the display does that too.
            DisplayCurrentRecordInformation();
        }
    }
    ListFocus();
}

void frmMain::cmdSetAsDefault_Click() {
    lblSetAsDefaultOk->show();
    tmrSetAsDefault->start();
    if (!platform::settings::SaveSetting(QStringLiteral("Arkelby"), QStringLiteral("Default"),
                                         QStringLiteral("Order"), sOrderBy_)) {
        // Not "SET" when nothing was stored.
        tmrSetAsDefault->stop();
        lblSetAsDefaultOk->hide();
        dialogs::showFailure(this,
                             QStringLiteral("The default order could not be saved in %1.")
                                 .arg(platform::settings::settingsFile(QStringLiteral("Arkelby"))));
    }
}

void frmMain::mnuFilePrint_Click() {
    flushTypedFilter();
    const store::RecordsetPtr rs = dtaDocuments->recordset();
    if (!rs || !rs->isOpen() || (rs->bof() && rs->eof())) {
        reports::showNothingToPrint(this);
        return;
    }
    reports::frmPrint report(
        program::dbMain, [this] { return dtaDocuments->recordSource(); }, this);
    report.recordQuery = [this] { return dtaDocuments->recordQuery(); };
    report.exec();
}

// Export List writes the rows the list shows (reports/list_export_dialog.h).
void frmMain::mnuFileExportList_Click() {
    flushTypedFilter();
    if (const store::RecordsetPtr rs = dtaDocuments->recordset())
        reports::exportListAs(*rs, this);
}

void frmMain::mnuMaintenanceHistory_Click() {
    flushTypedFilter();
    if (!listOnRow())
        return;
    try {
        const store::RecordsetPtr rs = dtaDocuments->recordset();
        const qint64 recordPtr = rs->field(QStringLiteral("RecordPtr")).toLongLong();
        const QString caption = QStringLiteral("%1: %2").arg(
            rs->field(QStringLiteral("ID")).toString(),
            rs->field(QStringLiteral("Description")).toString().trimmed());
        windows.history(rs->database(), recordPtr, caption, this);
    } catch (const store::EngineError& e) {
        dialogs::showFailure(this, QStringLiteral("The history of the document could not be read."),
                             e);
    }
    ListFocus();
}

void frmMain::mnuMaintenanceTypes_Click() {
    windows.types(this);
}

void frmMain::mnuHelpContents_Click() {
    if (!help::openHelpContents())
        dialogs::showFailure(this, QStringLiteral("The help file Veld.Hlp could not be opened."));
}
