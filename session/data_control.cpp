// The bound data source of a window (see data_control.h).

#include "data_control.h"

namespace session {

DataControl::DataControl(QObject* parent) : QObject(parent) {}

void DataControl::setDatabaseName(const QString& name) {
    if (name != databaseName_ && db_.isOpen() && db_.location() != name)
        db_ = store::Database();
    databaseName_ = name;
}

void DataControl::refresh() {
    if (!db_.isOpen())
        db_ = store::Database::open(databaseName_);
    store::RecordsetPtr rs = recordQuery_
                                 ? db_.openRecordset(*recordQuery_, store::RecordsetType::Dynaset)
                                 : db_.openRecordset(recordSource_, store::RecordsetType::Dynaset);
    setRecordset(std::move(rs));
}

void DataControl::showKeys(const QString& sql, const store::query::Select& query,
                           std::vector<qint64> keys) {
    if (!db_.isOpen())
        db_ = store::Database::open(databaseName_);
    store::RecordsetPtr rs = db_.openRecordset(query, std::move(keys));
    setRecordSource(sql, query);
    setRecordset(std::move(rs));
}

void DataControl::setRecordset(store::RecordsetPtr rs) {
    rs_ = std::move(rs);
    emit recordsetChanged();
}

} // namespace session
