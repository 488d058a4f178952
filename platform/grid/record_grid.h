#pragma once
// RecordGrid: the program's read-only list grid. A QTableView set up as the
// windows want their lists: whole-row selection of one row, no editing, no
// row headers, a vertical scroll bar only (columns share the width), column
// headers shown but neither movable nor selectable, and fixed row heights
// (rows are never sized to their contents, which would read every row).
//
// It knows only QAbstractItemModel. The current row is kept in step both
// ways with a cursor the caller owns: a click or an arrow key emits
// currentRowChanged(row), and setCurrentRow(row) (connect the cursor's own
// notification to it) selects and scrolls to the row without echoing it.
//
// Threading: user-interface thread only.

#include <QTableView>

namespace platform {

class RecordGrid : public QTableView {
    Q_OBJECT
public:
    explicit RecordGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    /// Column `column` takes what width the others leave.
    void setStretchColumn(int column);
    /// For short lists of many columns: the columns before `column` take
    /// the width their contents need (which reads every row), and the
    /// columns from `column` on share what is left.
    void setSharedColumnsFrom(int column);

public slots:
    /// Makes `row` the current row (-1 clears it) without emitting
    /// currentRowChanged.
    void setCurrentRow(int row);

signals:
    /// The user (click, keys) made another row current.
    void currentRowChanged(int row);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitColumns();

    int stretchColumn_ = 0; ///< column that absorbs the spare width
    int sharedFrom_ = -1;   ///< first of the columns sharing the width, -1 if none
    bool echo_ = true;      ///< false while the cursor moves the grid
};

} // namespace platform
