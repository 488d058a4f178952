#pragma once
// frmTypes: the "Types" window, which lists every document type and adds
// and deletes types. Opened modally by the main window's Manage Types
// command; works on the program-wide register session::program::dbMain,
// through its own data control dtaTypes (all types in name order). Opening
// it reads the type keys once; the list holds at most a few hundred rows.
//
// Add opens the Add Type dialog, then re-reads the list (first type
// current). Delete removes the current type after confirmation unless a
// document uses it; the test and the deletion are one step against other
// users. Exit closes the window.
//
// Use: frmTypes types(this); types.exec();
// The constructor raises store::EngineError when dbMain is not open or the
// Types table cannot be read; the caller reports it.
//
// Threading: user-interface thread only.

#include <QDialog>

class QPushButton;

namespace platform {
class RecordGrid;
}
namespace session {
class DataControl;
class RecordsetModel;
} // namespace session

class frmTypes : public QDialog {
    Q_OBJECT
public:
    explicit frmTypes(QWidget* parent = nullptr);
    ~frmTypes() override;

    session::DataControl* dtaTypes; ///< "SELECT * FROM Types ORDER BY Type" on dbMain
    platform::RecordGrid* grdTypes; ///< read-only list, one column "Types"
    QPushButton* cmdAdd;            ///< "&Add": opens the Add Type dialog
    QPushButton* cmdDelete;         ///< "Delete": deletes the current type
    QPushButton* cmdExit;           ///< "Exit": closes the window

private:
    void cmdAdd_Click();
    void cmdDelete_Click();
    /// Makes the next row current after a delete, else the new last row;
    /// an emptied list is left without a current row.
    void moveAfterDelete();

    session::RecordsetModel* typesModel_; ///< grdTypes' model over dtaTypes
};
