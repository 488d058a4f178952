#pragma once
// frmAddType: the "Add Type" dialog, which asks for the name of a new
// document type and stores it through the Types window's list. Opened
// modally by the Types window's Add; OK stores the name (refusing blanks,
// a name already defined and a register out of type numbers, each with a
// message while the dialog stays open), Cancel or Escape closes it without
// storing.
//
// Use: frmAddType dialog(dtaTypes->recordset(), this); dialog.exec();
//
// Threading: user-interface thread only.

#include "store/recordset.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmAddType : public QDialog {
    Q_OBJECT
public:
    /// `types`: the Types window's updatable list, which receives the row.
    explicit frmAddType(store::RecordsetPtr types, QWidget* parent = nullptr);
    ~frmAddType() override;

    /// Widest type name the register holds (the Types table's field width).
    static constexpr int MaxTypeLength = 10;

    QLabel* Label1;         ///< "Type:", the name box's buddy
    QLineEdit* txtType;     ///< the new type's name, at most MaxTypeLength characters
    QPushButton* cmdOk;     ///< stores the name; the default button
    QPushButton* cmdCancel; ///< closes without storing; Escape presses it

private:
    void cmdOk_Click();

    store::RecordsetPtr types_; ///< the Types window's list; shared, not owned
};
