#pragma once
// The state behind a Recordset, private to the engine layer. A recordset
// works in one of three modes:
//
//  Keys   a single-table query: the keys (counter values) of the result in
//         order, read once when it opens; field values are fetched by key
//         when read and kept in a small cache.
//  Rows   any other query: every row copied when it opens (read-only).
//  Table  a table recordset: a live cursor that steps through the current
//         index with one indexed query per move, so it always sees the
//         table as it is now.

#include "connection.h"
#include "database.h"
#include "recordset.h"

#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace store {

struct RecordsetImpl {
    enum class Mode { Keys, Rows, Table };

    std::shared_ptr<Connection> conn;
    RecordsetType type = RecordsetType::Dynaset;
    QString source;
    QVariantList parameters; ///< bound to the statement's "?" each time it runs
    Mode mode = Mode::Keys;
    bool open = true;
    bool noMatch = false;

    QString table;                 ///< base table (Keys and Table modes)
    QString key;                   ///< its quoted counter field, the rows' identity
    int lockTable = 0;             ///< table number for row reservations
    std::vector<FieldInfo> fields; ///< the recordset's columns
    std::vector<bool> writable;    ///< column is a field of the base table
    int counterField = -1;         ///< column holding the row id, or -1

    // Keys and Rows modes: cur is -1 before the first row, n after the last.
    std::vector<qint64> keys;
    std::vector<std::vector<QVariant>> rows;
    QString keysSql;  ///< "SELECT key FROM T ..." (Keys)
    QString fetchSql; ///< "SELECT cols FROM T WHERE key = ?1" (Keys)
    /// keysSql and fetchSql are the backend's own SQL, written from a
    /// description (query_sql.h), rather than engine SQL from a text.
    bool ownSql = false;
    std::unique_ptr<Statement> fetch;
    std::unique_ptr<Statement> batchFetch; ///< fetchSql for PrefetchRows keys (Keys)
    bool batchAhead = false;               ///< batchFetch holds the next batch's keys, not yet read
    int cur = -1;
    bool deleted = false; ///< the current row was deleted; cur is the slot after it
    mutable std::unordered_map<qint64, std::vector<QVariant>> cache; ///< Keys rows by id

    // Table mode: the current index (empty = row id order) and position.
    QString indexName;
    QString indexField; ///< quoted column; the key for row order
    int indexColumn = -1;
    bool tBof = true, tEof = true;
    qint64 tRowid = 0;
    QVariant tKey;
    std::vector<QVariant> tRow;
    std::map<QString, std::unique_ptr<Statement>> steps;  ///< prepared step queries
    std::map<QString, std::unique_ptr<Statement>> writes; ///< prepared INSERT/UPDATE, by text

    // A pending new row (Adding) or edit (Editing).
    EditMode editMode = EditMode::None;
    std::vector<QVariant> pending;
    std::vector<bool> dirty;
    qint64 editRowid = 0;
    bool locked = false;
    qint64 lastModified = 0; ///< key of the row the last update() stored

    /// Prepares keysSql, fetchSql or a statement made from them.
    std::unique_ptr<Statement> prepare(const QString& sql, int values) const {
        return ownSql ? conn->prepareOwn(sql, values) : conn->prepare(sql);
    }
    /// The n-th parameter in the SQL of keysSql and fetchSql.
    QString mark(int n) const {
        return ownSql ? conn->placeholder(n) : QStringLiteral("?%1").arg(n);
    }

    int count() const {
        return mode == Mode::Rows ? static_cast<int>(rows.size()) : static_cast<int>(keys.size());
    }

    /// Forgets the values read of a row, or of every row, that may have
    /// changed; a batch sent ahead goes too, since its answer may be older.
    void forgetRow(qint64 rowid) {
        cache.erase(rowid);
        dropBatchAhead();
    }
    void forgetRows() {
        cache.clear();
        dropBatchAhead();
    }
    void dropBatchAhead() {
        if (batchAhead)
            batchFetch->reset();
        batchAhead = false;
    }
};

} // namespace store
