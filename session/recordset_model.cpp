// Grid model over a Recordset (see recordset_model.h).

#include "recordset_model.h"

#include "store/value.h"

#include <QLocale>

namespace session {

RecordsetModel::RecordsetModel(QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

void RecordsetModel::setRecordset(store::RecordsetPtr rs) {
    disconnect(resetConn_);
    disconnect(currentConn_);
    beginResetModel();
    rs_ = std::move(rs);
    endResetModel();
    follow();
    emit currentRowChanged(currentRow());
}

void RecordsetModel::follow() {
    if (!rs_)
        return;
    resetConn_ = connect(rs_.get(), &store::Recordset::rowsReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    currentConn_ = connect(rs_.get(), &store::Recordset::currentChanged, this,
                           [this] { emit currentRowChanged(currentRow()); });
}

int RecordsetModel::currentRow() const {
    return rs_ && rs_->isOpen() ? rs_->absolutePosition() : -1;
}

void RecordsetModel::setCurrentRow(int row) {
    if (!rs_ || !rs_->isOpen() || row < 0 || row >= rs_->rowCount() || row == currentRow())
        return;
    rs_->setAbsolutePosition(row);
}

int RecordsetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !rs_ || !rs_->isOpen())
        return 0;
    return rs_->rowCount();
}

int RecordsetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || !rs_ || !rs_->isOpen())
        return {};
    const QVariant v = rs_->valueAt(index.row(), columns_[index.column()].field);
    if (store::isNull(v))
        return {};
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime d = v.toDateTime();
        QString shown = d.date().toString(QStringLiteral("M/d/yyyy"));
        if (columns_[index.column()].time)
            shown += QLatin1Char(' ') + QLocale::c().toString(d.time(), QStringLiteral("h:mm AP"));
        return shown;
    }
    // A number where a date belongs (stored by another program) shows as
    // written, not in the grid's rounded number format.
    if (v.typeId() == QMetaType::Double)
        return v.toString();
    return v;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columns_.size())
        return {};
    return columns_[section].header;
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace session
