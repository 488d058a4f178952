#pragma once
// Connection: the SQLite handle behind a Database, with the one place where
// SQLite result codes become EngineErrors, a prepared-statement wrapper, the
// write scope every change runs in, and the per-table field descriptions
// read from the file. Internal to the engine layer.
//
// Writes: each change runs in its own BEGIN IMMEDIATE ... COMMIT unless a
// Transaction is open on the connection, in which case it joins it. An
// immediate transaction takes the file's write lock before reading, so two
// writers never deadlock upgrading a read lock; a busy file is waited for
// up to busyTimeoutMs, then reported.

#include "row_lock.h"
#include "schema.h"

#include <QString>
#include <QVariant>
#include <map>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

/// One column of a table or of a query result.
struct FieldInfo {
    QString name;
    schema::FieldKind kind = schema::FieldKind::Text;
    int width = 0;      ///< characters for a limited text, else 0
    bool known = false; ///< kind taken from a declaration (not guessed)
};

class Statement {
public:
    Statement(struct Connection& conn, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    /// Binds parameter i (1-based); a date QDateTime binds as its stored text.
    void bind(int i, const QVariant& value);
    /// Steps once; true when a row is ready, false when done.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int i) const;
    QString columnDeclared(int i) const;
    bool columnIsNull(int i) const;
    qint64 columnInt(int i) const;
    /// The column's value read as `kind` (a stored date text becomes a date).
    QVariant column(int i, schema::FieldKind kind, bool known) const;

private:
    Connection* conn_;
    sqlite3_stmt* stmt_ = nullptr;
    QString sql_;
};

struct Connection {
    static constexpr int busyTimeoutMs = 10000;

    sqlite3* db = nullptr;
    QString fileName;
    std::unique_ptr<RowLocks> locks;
    bool explicitTransaction = false; ///< a Transaction object is open

    ~Connection();

    /// Raises an EngineError for any SQLite result other than OK/ROW/DONE.
    void check(int rc, const QString& context = {}) const;
    [[noreturn]] void raise(int rc, const QString& context) const;

    /// Runs statements that return no rows.
    void exec(const QString& sql);

    /// The columns of a table as declared in the file; raises TableNotFound.
    const std::vector<FieldInfo>& tableFields(const QString& table);
    /// The table's number for row reservations (stable across programs).
    int lockTableNumber(const QString& table) const;

private:
    std::map<QString, std::vector<FieldInfo>> tables_; ///< by lower-case table name
};

/// Runs one change as its own immediate transaction, or joins the open
/// Transaction. The destructor rolls back an uncommitted own transaction.
class WriteScope {
public:
    explicit WriteScope(Connection& c);
    ~WriteScope();
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;
    void commit();

private:
    Connection& c_;
    bool own_ = false;
};

/// An identifier between double quotes, embedded quotes doubled.
inline QString quoteIdentifier(const QString& name) {
    return '"' + QString(name).replace('"', QLatin1String("\"\"")) + '"';
}

/// Converts a value for writing into a field; raises ConversionError or
/// FieldTooSmall. Returns what to bind (int, QString, stored date text, Null).
QVariant convertForField(const FieldInfo& f, const QVariant& value);

} // namespace store
