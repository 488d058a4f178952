#pragma once
// frmMain: the program's only top-level window, titled "Arkelby". On the
// left the document list grdInfo (rows of the data control dtaDocuments,
// read on demand); on the right the record commands, the detail panel
// panView, the filters and the order options. Layouts with stretch factors
// keep every area's share of the window when it is resized, over the
// stretched background picture Image1.
//
// Use: construct, call startUpOrReport() (or startUp(), which raises
// StartupError), show. startUp() runs the start-up sequence in its fixed
// order: restore the saved order, make sure the register exists (from the
// template, with the legacy import seam), open dbMain, run the list, open
// the shared table recordsets, fill the type and date filters. Closing the
// window by any means ends the program.
//
// Every control is a member named and objectName'd as the window's design
// names it; Order[0..2] have the object names "Order0".."Order2".
//
// The list (frm_main_list.cpp): the filters and the order build one
// statement; every change re-runs it (RefreshList), finds the row that was
// current and keeps up to five rows above it in view. The re-run reads the
// list's keys on a worker (frm_main_loading.cpp): the grid shows the rows
// it had until the first rows of the new list are there, and a busy sign
// when that takes a while. The detail panel follows the current row. The record commands
// (frm_main_records.cpp) ask the query library whether the list is on a row; the editor and the
// types window are reached through `windows` (frm_main_windows.cpp supplies the real ones).
//
// Threading: user-interface thread only.

#include "list_statement.h"
#include "session/data_control.h"
#include "startup_options.h"

#include <QMainWindow>
#include <array>
#include <exception>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class Background;
class DocumentFilesPanel;

namespace platform {
class RecordGrid;
}
namespace session {
class FileTextReader;
class ListLoader;
class RecordsetModel;
} // namespace session

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    /// The start-up sequence; raises StartupError naming the file and the
    /// cause, or what the first-start import raises (a Failure too).
    /// Nothing is created when it fails.
    void startUp(const StartupOptions& options);
    /// startUp(), showing a failure in a message box: returns 0 on success,
    /// otherwise 1 once the box is closed (the program's exit status).
    int startUpOrReport(const StartupOptions& options);

    /// Fills cmbDate with the date ranges and selects "ALL".
    void SetDateList();

    /// Rebuilds the statement from the filters and the order, re-runs the
    /// list, makes the row that was current current again (when it still
    /// qualifies) with up to five rows above it in view, shows it in the
    /// panel and gives the focus to `pFocusControl`.
    /// The re-run reads the keys on the list's worker: this returns at
    /// once, the grid keeping its rows until the new ones are there. An
    /// order read from the settings that is more than fields and
    /// directions, and a window not yet started, re-run it here.
    void RefreshList(QWidget* pFocusControl);
    /// Brings the list up to date before a command works on it: a text
    /// change waiting is applied, and a re-run under way is waited for and
    /// shown (or its failure reported).
    void waitForList();
    /// True when the grid shows rows of the latest filters and order (the
    /// first of them at least), and when it shows all of them.
    bool listShowsLatest() const;
    bool listComplete() const;
    /// Gives the grid the focus when the list is on a row.
    void ListFocus();
    /// Shows the current row's stored document in panView, or hides and
    /// empties the panel when there is none; then gives the focus back to
    /// the filter that had it (iFilterFocus).
    void DisplayCurrentRecordInformation();

    /// The record commands and the menu commands, as the buttons and the
    /// menu run them.
    void cmdAdd_Click();
    void cmdChange_Click();
    void cmdDelete_Click();
    void cmdSetAsDefault_Click();
    void mnuFileExportList_Click();
    void mnuFilePrint_Click();
    void mnuMaintenanceTypes_Click();
    void mnuMaintenanceHistory_Click();
    void mnuHelpContents_Click();

    /// The modal windows the commands open. Each returns when its window
    /// has closed.
    struct ModalWindows {
        /// The document editor over the list's recordset (gAddMode says
        /// which kind of edit).
        std::function<void(store::RecordsetPtr list, QWidget* parent)> editor;
        /// The document types window.
        std::function<void(QWidget* parent)> types;
        /// The history of the document `recordPtr` of the register, which
        /// `caption` names.
        std::function<void(const store::Database& db, qint64 recordPtr, const QString& caption,
                           QWidget* parent)>
            history;
    };
    /// The windows every new main window starts with: frmChange and frmTypes.
    static ModalWindows standardWindows();
    /// This window's modal windows (tests put stand-ins here).
    ModalWindows windows;

    // --- state ------------------------------------------------------------
    QString sOrderBy() const { return sOrderBy_; }
    bool bFilterOn() const { return bFilterOn_; }
    int iFilterFocus() const { return iFilterFocus_; }
    /// The statement the list holds now.
    QString listStatement() const;
    QString helpFile() const { return sHelpFile_; }

    // --- controls -----------------------------------------------------------
    Background* Image1;
    QFrame* ElasticOne1;
    platform::RecordGrid* grdInfo;
    session::DataControl* dtaDocuments;
    QPushButton* cmdAdd;
    QPushButton* cmdChange;
    QPushButton* cmdDelete;
    QFrame* panView;
    QLabel* lblID;
    QLabel* lblDesc;
    QLabel* lblType;
    QLabel* lblDate;
    QLabel* lblWho;
    QLabel* lblNote;
    DocumentFilesPanel* panFiles; ///< the document's files and a preview, below the note
    QFrame* ElasticOne2;
    QFrame* ElasticOne3;
    QFrame* ElasticOne4;
    QComboBox* cmbType;
    QComboBox* cmbDate;
    QLineEdit* txtFilterDesc;
    QLineEdit* txtFilterWho;
    QLineEdit* txtFilterNote;
    QLineEdit* txtFilterContents; ///< words in the document's files
    QCheckBox* chkFilterOn;
    std::array<QRadioButton*, 3> Order;
    QPushButton* cmdSetAsDefault;
    QLabel* lblSetAsDefaultOk;
    QTimer* tmrSetAsDefault;
    QAction* mnuFileExportList;
    QAction* mnuFilePrint;
    QAction* mnuFileExit;
    QAction* mnuMaintenanceTypes;
    QAction* mnuMaintenanceHistory; ///< enabled while a document is current
    QAction* mnuHelpContents;
    QAction* mnuHelpAbout;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildList(QWidget* area);
    void buildCommands(QWidget* area);
    void buildDetail(QWidget* area);
    void buildFilters(QWidget* area);
    void buildOrder(QWidget* area);
    void buildMenu();
    void openList(const QString& databaseFile);
    void offerReadingOnly();
    void connectFilters();
    void listRowChanged();
    /// Shows the document's files below the note; a register whose files
    /// cannot be read shows none.
    void showFiles(const store::Database& db, qint64 recordPtr);
    ListFilter currentFilter() const;
    std::optional<qint16> chosenType() const;
    QWidget* filterControl(int index) const;
    bool listOnRow() const;
    void flushTypedFilter();
    void refreshListNow(QWidget* pFocusControl);
    qint32 rowToFind() const;
    void startLoad(const store::query::Select& query, const QString& statement);
    /// Starts the background reader of stored files' text once, and wakes it.
    void wakeTextReader();
    void listFirstRows(quint64 generation, const std::vector<qint64>& keys, bool complete);
    void listAllRows(quint64 generation, const std::vector<qint64>& keys);
    void listLoadFailed(quint64 generation, std::exception_ptr error);
    bool showLoadedKeys(const std::vector<qint64>& keys);
    void showRowAt(int row);
    void endLoad();
    void showBusy(bool busy);

    session::RecordsetModel* listModel_; ///< grdInfo's model over dtaDocuments

    QString sOrderBy_ = QStringLiteral("ID DESC"); ///< ORDER BY part of the list query
    bool bFilterOn_ = false;                       ///< the filters apply
    bool bLoading_ = false;                        ///< start-up is selecting an order option
    int iFilterFocus_ = 0; ///< filter with the focus: 1 cmbType .. 6 txtFilterContents, 0 none
    /// cmbType's type numbers by list position, taken when the list was
    /// filled at start-up (the shared table is refilled by the editor).
    std::vector<qint16> typeRecordPtrs_{0};
    int holdDisplay_ = 0; ///< > 0 while RefreshList moves the list
    /// Zero-delay timer for the re-run a text filter's change asks for:
    /// keys already queued are applied first, so the list never lags
    /// behind typing by more than one re-run.
    QTimer* filterTyped_ = nullptr;
    QWidget* filterTypedBox_ = nullptr; ///< the text filter typed into last
    QString sHelpFile_;                 ///< the help file, set by start-up

    // The list's re-runs on the worker (frm_main_loading.cpp).
    session::ListLoader* loader_ = nullptr;         ///< made when the list first runs
    session::FileTextReader* textReader_ = nullptr; ///< reads stored files' text, made with loader_
    quint64 loadGeneration_ = 0;                    ///< the re-run the list waits for
    bool loadPending_ = false;                      ///< a re-run has not shown its whole list yet
    QString loadStatement_;                         ///< its statement, as shown and saved
    std::optional<store::query::Select> loadQuery_; ///< and as run
    /// The list as it stood when the re-run began, put back when it fails.
    store::RecordsetPtr loadBefore_;
    QString loadBeforeSource_;
    std::optional<store::query::Select> loadBeforeQuery_;
    bool loadShown_ = false; ///< the re-run's first rows replaced the list
    /// The document to find again once the keys holding it are known, and
    /// the grid row that was current when it was taken: a row the user
    /// chose since wins.
    qint32 remembered_ = 0;
    bool findPending_ = false;
    int rememberedAtRow_ = -1;
    QTimer* busyDelay_ = nullptr;    ///< shows the busy sign when first rows are slow
    QLabel* lblSearching_ = nullptr; ///< the busy sign, over the grid's corner
};
