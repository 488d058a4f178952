// The bound data source of a window (see data_control.h).

#include "data_control.h"

namespace store {

DataControl::DataControl(QObject* parent) : QObject(parent) {}

void DataControl::setDatabaseName(const QString& name) {
    if (name != databaseName_ && db_.isOpen() && db_.location() != name)
        db_ = Database();
    databaseName_ = name;
}

void DataControl::refresh() {
    if (!db_.isOpen())
        db_ = Database::open(databaseName_);
    RecordsetPtr rs = recordQuery_ ? db_.openRecordset(*recordQuery_, RecordsetType::Dynaset)
                                   : db_.openRecordset(recordSource_, RecordsetType::Dynaset);
    setRecordset(std::move(rs));
}

void DataControl::setRecordset(RecordsetPtr rs) {
    rs_ = std::move(rs);
    emit recordsetChanged();
}

} // namespace store
