#pragma once
// RecordsetModel: a read-only table model over a Recordset for grids. Rows
// are read on demand through Recordset::rowCount()/valueAt(), so opening a
// list of 10^5 rows costs only the recordset's key list and each repaint
// reads just the visible rows (the recordset keeps a small row cache).
//
// It follows the recordset: rowsReset resets the model, currentChanged is
// passed on as currentRowChanged(row) with the row index (-1 when no row is
// current). setCurrentRow() moves the recordset, which is how a grid click
// becomes a recordset move. Dates show as "m/d/yyyy".
//
// Threading: user-interface thread only, like the recordset.

#include "store/recordset.h"

#include <QAbstractTableModel>
#include <QMetaObject>
#include <QStringList>

namespace session {

class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString header;    ///< column caption
        QString field;     ///< recordset field shown in it
        bool time = false; ///< a date shows its time of day too ("h:mm AP")
    };

    explicit RecordsetModel(QList<Column> columns, QObject* parent = nullptr);

    /// Shows another recordset (or none); the model resets and reports the
    /// recordset's current row.
    void setRecordset(store::RecordsetPtr rs);
    const store::RecordsetPtr& recordset() const { return rs_; }

    /// The recordset's current row, -1 when none.
    int currentRow() const;
    /// Moves the recordset to `row`; ignored when out of range.
    void setCurrentRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void currentRowChanged(int row);

private:
    void follow();

    QList<Column> columns_;  ///< fixed at construction
    store::RecordsetPtr rs_; ///< shown recordset, may be null
    QMetaObject::Connection resetConn_, currentConn_;
};

} // namespace session
