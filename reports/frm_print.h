#pragma once
// frmPrint: the report window, caption "Print". It reports on what the main
// window lists at the moment it becomes active: on every activation it
// opens the main window's current statement afresh as a snapshot and shows
// "<n> documents to print", or says "No information to print." and closes
// when the statement yields nothing. The user ticks the optional columns
// (Type, Date, Who; ID and Description always print and are shown grayed),
// then previews the report in the lower pane, prints it, or opens the
// printer dialog. "Printed" shows for two seconds after each run.
//
// A failing run (printer, engine, database) shows what failed; the pointer
// is never left busy and the window stays usable. Activations that arrive
// while a run is in progress are taken once it has finished, so a run
// never loses its snapshot.
//
// The main window passes what the window needs: the open register and a
// function returning the statement its list currently shows.

#include "mod_reports.h"
#include "store/database.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace print {
class PrintEngine;
}
namespace store {
class Recordset;
}

namespace reports {

class frmPrint : public QDialog {
    Q_OBJECT
public:
    frmPrint(store::Database db, std::function<QString()> recordSource, QWidget* parent = nullptr);
    ~frmPrint() override;

    /// One run: a preview in the lower pane when pPreview is true, else a
    /// print job to the engine's printer.
    void PrintReport(bool& pPreview);

    /// The description of the main window's statement, run in its stead
    /// where there is one (store/query.h).
    std::function<std::optional<store::query::Select>()> recordQuery;

    // Controls, named as in the window's design.
    QLabel* lblRecordCount = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QCheckBox*, 5> chkFields{}; ///< 0 Description, 1 ID, 2 Type, 3 Date, 4 Who
    QLabel* lblPrinted = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdPreview = nullptr;
    QPushButton* cmdPrintSetup = nullptr;
    QPushButton* cmdExit = nullptr;
    print::PrintEngine* VSP = nullptr; ///< the print engine and preview pane
    QTimer* tmrPrinted = nullptr;      ///< hides lblPrinted 2000 ms after a run

    /// The snapshot of the latest activation (null before the first).
    const std::shared_ptr<store::Recordset>& report() const { return rsReport; }

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void buildControls();
    QWidget* buildUpperBand();
    QGroupBox* buildContentFrame(QWidget* upper);
    QWidget* buildPreviewPane();
    void setDesignTabOrder();
    void connectControls();
    void scheduleActivation();
    void Form_Activate();
    void refuse(const QString& text);
    void showFailure(bool preview, const QString& what);

    store::Database dbMain;                     ///< the open register
    std::function<QString()> sRecordSource;     ///< the main window's current statement
    std::shared_ptr<store::Recordset> rsReport; ///< snapshot of the latest activation
    modReports report_;                         ///< the column table of this window's runs
    bool bActivationPending = false;            ///< an activation is queued
    bool bRunning = false;                      ///< a run is in progress
    bool bActivationMissed = false;             ///< an activation arrived during a run
    bool bClosing = false;                      ///< refused or failed: no more activations
};

/// The caption of message boxes that have none of their own.
QString applicationTitle();

} // namespace reports
