#pragma once
// DataControl: the bound data source of a window. It holds a database name,
// a record source (an SQL text, read back by the report, and where the
// program wrote it, its description to run) and the recordset
// that refresh() made from them; grids show that recordset. Assigning one
// control's recordset to another makes both show and move the very same
// object, which is how the editor takes over the main window's list.

#include "store/database.h"
#include "store/recordset.h"

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

namespace session {

class DataControl : public QObject {
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);

    QString connect() const { return connect_; }
    void setConnect(const QString& c) { connect_ = c; }
    QString databaseName() const { return databaseName_; }
    void setDatabaseName(const QString& name);
    QString recordSource() const { return recordSource_; }
    void setRecordSource(const QString& sql) {
        recordSource_ = sql;
        recordQuery_.reset();
    }
    /// A record source shown as `sql` and run as `query`, its description
    /// (query.h); the text is run where there is none.
    void setRecordSource(const QString& sql, const std::optional<store::query::Select>& query) {
        recordSource_ = sql;
        recordQuery_ = query;
    }
    std::optional<store::query::Select> recordQuery() const { return recordQuery_; }

    /// Uses an already open Database instead of opening databaseName().
    void setDatabase(const store::Database& db) { db_ = db; }
    store::Database database() const { return db_; }

    /// Runs the record source as a dynaset and binds it; the first row is
    /// current. Raises EngineError; the old recordset stays on failure.
    void refresh();

    /// Binds the Dynaset over `query` made from `keys`, read elsewhere in
    /// its order (a ListLoader's), without running it; `sql` is the text
    /// shown for it. Raises EngineError; nothing changes on failure.
    void showKeys(const QString& sql, const store::query::Select& query, std::vector<qint64> keys);

    store::RecordsetPtr recordset() const { return rs_; }
    void setRecordset(store::RecordsetPtr rs);

signals:
    void recordsetChanged();

private:
    QString connect_ = QStringLiteral("Access");
    QString databaseName_;
    QString recordSource_;
    std::optional<store::query::Select> recordQuery_;
    store::Database db_;
    store::RecordsetPtr rs_;
};

} // namespace session
