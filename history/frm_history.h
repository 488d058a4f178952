#pragma once
// frmHistory: the "Document History" window. It lists one document's
// entries of the register's history (store/document_history.h), newest
// first, in a read-only grid: When, User, Computer, Action, Field, Old value,
// New value. Escape or Close closes it; it changes nothing.
//
// Use: construct with the register and the document's RecordPtr, exec().
// The entries are read once when the window opens (one query; the grid
// reads the rows it shows). Raises store::EngineError when they cannot be
// read. User-interface thread only.

#include "store/database.h"
#include "store/recordset.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace platform {
class RecordGrid;
}
namespace session {
class RecordsetModel;
}

class frmHistory : public QDialog {
    Q_OBJECT
public:
    /// `caption` names the document for the user ("12: Invoice 1998").
    frmHistory(const store::Database& db, qint64 recordPtr, const QString& caption,
               QWidget* parent = nullptr);

    QLabel* lblDocument;              ///< which document the entries are of
    platform::RecordGrid* grdHistory; ///< the entries, newest first
    QPushButton* cmdClose;

private:
    store::RecordsetPtr entries_;
    session::RecordsetModel* model_;
};
