#pragma once
// Connection and Statement: what the engine layer needs of a database
// client, implemented once per backend: the register file over SQLite
// (store/sqlite) and the server register over PostgreSQL (store/postgres).
// Everything above them (recordsets, transactions, type lookups) is written
// against these classes only. Internal to the engine layer.
//
// Engine SQL: the statements the engine hands a backend are standard SQL
// as SQLite reads it: identifiers between double quotes or bare, texts
// between single quotes, parameters "?N" (or "?"), dates as ISO texts
// ("2004-03-07"), "LIMIT n", and LIKE with the desktop patterns ('*', '?',
// '#', '[...]'), letter case ignored. The program's own dialect becomes
// engine SQL in dialect::translate(). The SQLite backend runs engine SQL as
// it is; the PostgreSQL backend rewrites it first (postgres/pg_sql.h).
// The program's own statements are not text but descriptions (query.h),
// which each backend writes in its own SQL through the hooks below.
//
// Rows are identified by the table's counter field (RecordPtr), which the
// register numbers on insert and never hands out twice.
//
// Writes: each change runs in its own write transaction unless one is open
// on the connection, in which case it joins it (WriteScope). A write
// transaction excludes every other writer of the register from its start,
// so a check and the write that depends on it form one step; a writer that
// waits longer than busyTimeoutMs is refused with err::DatabaseBusy.
//
// Threading: a connection and its statements are used on one thread;
// interrupt() alone may be called from any other.

#include "query.h"
#include "row_reservations.h"
#include "schema.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <memory>
#include <vector>

namespace store {

class Backend;

/// One column of a table or of a query result.
struct FieldInfo {
    QString name;
    schema::FieldKind kind = schema::FieldKind::Text;
    int width = 0;      ///< characters for a limited text, else 0
    bool known = false; ///< kind taken from a declaration (not guessed)
};

/// A prepared statement. Parameters are numbered from 1; a value is bound
/// as the engine's QVariant (value.h) and read back as one.
class Statement {
public:
    virtual ~Statement() = default;

    /// Binds parameter i (1-based); a date binds as its stored text.
    virtual void bind(int i, const QVariant& value) = 0;
    /// Runs the statement on the first call, then steps once; true when a
    /// row is ready, false when done (the statement is then reset).
    virtual bool step() = 0;
    /// Makes the statement ready to run again and clears its bindings.
    virtual void reset() = 0;
    /// Starts the statement with the values bound so far, so that its rows
    /// are on their way while the caller does other work; step() then
    /// reads them. Other statements of the connection may run meanwhile.
    /// A backend that runs statements in process starts them at step().
    virtual void sendAhead() {}

    virtual int columnCount() const = 0;
    virtual QString columnName(int i) const = 0;
    /// True when column i is a plain column of a table (it can be written).
    virtual bool columnFromTable(int i) const = 0;
    /// The kind the backend declares for column i; `known` is false when
    /// the backend cannot tell (a computed column in SQLite).
    virtual FieldInfo columnField(int i) const = 0;
    virtual bool columnIsNull(int i) const = 0;
    virtual qint64 columnInt(int i) const = 0;
    /// The column's value read as `kind` (a stored date text becomes a date).
    virtual QVariant column(int i, schema::FieldKind kind, bool known) const = 0;
};

/// What a backend may or may not do, asked with Connection::hasFeature().
enum class Feature {
    /// Text columns sort by SQLite's NOCASE order (the case of A to Z
    /// ignored, code points otherwise), so that the texts beginning with a
    /// given text form index ranges type-ahead can name; a server's
    /// linguistic order does not.
    SortsTextByCodePoint,
    /// The register writes each document's history itself (a server's
    /// rules), so that the program must not write it too.
    RecordsHistoryItself,
};

/// An identifier between double quotes, embedded quotes doubled.
inline QString quoteIdentifier(const QString& name) {
    return '"' + QString(name).replace('"', QLatin1String("\"\"")) + '"';
}

class Connection {
public:
    static constexpr int busyTimeoutMs = 10000;

    virtual ~Connection() = default;

    /// Prepares engine SQL; raises EngineError when it is refused.
    virtual std::unique_ptr<Statement> prepare(const QString& sql) = 0;
    /// Runs engine SQL that takes no parameters and returns no rows.
    virtual void exec(const QString& sql) = 0;
    /// Stops the statement running on the connection, if any, from any
    /// thread; the call running it raises err::Interrupted. A statement
    /// started afterwards is not affected.
    virtual void interrupt() noexcept = 0;

    /// Write transactions (see the header). begin() waits for other
    /// writers up to busyTimeoutMs; rollback() never raises.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual bool inTransaction() const = 0;

    /// The counter value the register gave the row of the last INSERT.
    virtual qint64 lastInsertKey() const = 0;

    /// A table's counter: the highest number it has handed out (0 for
    /// none), which may lie above the highest one still in the table.
    virtual qint64 counterValue(const QString& table) = 0;
    /// Moves a table's counter on to at least `value`, never back, so that
    /// rows filed later are numbered after it (after rows copied in with
    /// their own numbers).
    virtual void raiseCounter(const QString& table, qint64 value) = 0;

    /// Drops a table's indexes but its key, inside the open transaction,
    /// and returns what makes them again; for loading many rows at once,
    /// after which one build of each index is far cheaper than keeping
    /// them up row by row. Rows loaded until makeIndexes() come with their
    /// history, so a register that records history itself records none
    /// for them.
    virtual QStringList dropIndexes(const QString& table) = 0;
    /// Makes a table's indexes again from what dropIndexes() returned, and
    /// lets the engine learn the table's new contents for its plans.
    virtual void makeIndexes(const QString& table, const QStringList& statements) = 0;

    /// A read-only transaction that sees the whole register as it stood
    /// when it began, whatever others store meanwhile; ended by rollback().
    /// (On a register file, writers wait until it ends.)
    virtual void beginSnapshot() = 0;

    /// True when the backend has `f` (see Feature).
    virtual bool hasFeature(Feature f) const = 0;
    /// The backend that opened this connection (backend.h).
    virtual const Backend& backend() const = 0;

    /// Raises EngineError when a table reads short of its indexes (a
    /// damaged file, which would otherwise be read short silently);
    /// inside a snapshot, before rows are read in bulk. Nothing where
    /// the backend keeps its tables whole itself.
    virtual void requireWholeTables() {}

    /// An expression giving the date held by `column`, a date field, in a
    /// form the backend compares and sorts as dates, Null where it holds
    /// no date; for WHERE and ORDER BY. The column itself where the
    /// backend's date type is one already.
    virtual QString comparableDate(const QString& column) const { return column; }

    // --- the backend's own SQL, for query descriptions (query.h) ---------
    // render() writes a description with these; the defaults are SQLite's.

    /// Prepares SQL as render() wrote it for this backend: run as it is,
    /// never translated; `parameters` is the number of values it takes.
    virtual std::unique_ptr<Statement> prepareOwn(const QString& sql, int parameters) {
        Q_UNUSED(parameters);
        return prepare(sql);
    }
    /// Prepares an INSERT into `table` as render() would write it, after
    /// which lastInsertKey() gives the row's counter value.
    virtual std::unique_ptr<Statement> prepareInsert(const QString& table, const QString& sql,
                                                     int parameters) {
        Q_UNUSED(table);
        return prepareOwn(sql, parameters);
    }
    /// The n-th parameter (1-based).
    virtual QString placeholder(int n) const { return QStringLiteral("?%1").arg(n); }
    /// A table's or field's name as an identifier.
    virtual QString escapeIdentifier(const QString& name) const { return quoteIdentifier(name); }
    /// A text field's column where it is compared or sorted, so that letter
    /// case is ignored as the register sorts (the column's own order here).
    virtual QString textCompared(const QString& column) const { return column; }
    /// `column` matched against the desktop pattern bound at `param`,
    /// letter case ignored; may rewrite `pattern` into the form bound.
    virtual QString likeMatch(const QString& column, bool textField, const QString& param,
                              QVariant& pattern) const {
        Q_UNUSED(textField);
        Q_UNUSED(pattern);
        return column + QStringLiteral(" LIKE ") + param;
    }
    /// A further term keeping fewer rows than the desktop `pattern` on
    /// `field` of `table` can match, through an index of the backend's
    /// own, never one that matches; its value, bound at `param`, goes into
    /// `bound`. Empty where there is no such index. The exact match stays
    /// beside it; `key` is the table's row identity.
    virtual QString likeNarrowing(const QString& table, const QString& field, const QString& key,
                                  const QString& param, const QVariant& pattern, QVariant& bound) {
        Q_UNUSED(table);
        Q_UNUSED(field);
        Q_UNUSED(key);
        Q_UNUSED(param);
        Q_UNUSED(pattern);
        Q_UNUSED(bound);
        return {};
    }
    /// The same for the text of the documents' files (query::Op::FilesTextLike):
    /// a term on the documents, `key` their row identity, keeping fewer of
    /// them than can hold a file whose text matches `pattern`.
    virtual QString filesTextNarrowing(const QString& key, const QString& param,
                                       const QVariant& pattern, QVariant& bound) {
        Q_UNUSED(key);
        Q_UNUSED(param);
        Q_UNUSED(pattern);
        Q_UNUSED(bound);
        return {};
    }
    /// What follows an order term so that Null sorts first ascending and
    /// last descending (SQLite's own places).
    virtual QString nullsPlaced(bool descending) const {
        Q_UNUSED(descending);
        return {};
    }
    /// True where an index orders its rows by the fields it carries after
    /// its own field (SQLite's indexes), false where it only holds them
    /// (a server's INCLUDE); render() completes orders to match.
    virtual bool indexOrdersCarriedFields() const { return true; }
    /// The clause that keeps the first `n` rows.
    virtual QString limitClause(int n) const { return QStringLiteral(" LIMIT %1").arg(n); }
    /// A description in this backend's SQL; its values, in parameter order,
    /// are appended to `values`.
    QString render(const query::Select& q, QVariantList& values);

    /// Row reservations between the register's users. A connection that
    /// may only read takes none and answers that nobody holds a row: its
    /// snapshots are whole whatever writers hold.
    virtual RowReservations& reservations() = 0;

    /// True when this user may only read the register (see readOnly_).
    bool readOnly() const { return readOnly_; }
    /// Raises err::ReadOnly, naming the register, when readOnly(); called
    /// before any change is begun.
    void requireWritable() const;

    /// A check of the whole register: "ok", or what is wrong.
    virtual QString integrityCheck() = 0;

    /// The register as users know it: its file name, or its server address
    /// without a password.
    virtual QString location() const = 0;

    /// The columns of a table as declared in the register, cached after
    /// the first call; raises err::TableNotFound.
    const std::vector<FieldInfo>& tableFields(const QString& table);
    /// Whether the register has the table (a register of an earlier build,
    /// opened as it is, lacks the later ones).
    bool hasTable(const QString& table);
    /// Forgets cached table declarations (after the schema changed).
    void forgetTables() { tables_.clear(); }
    /// The table's number for row reservations (stable across programs).
    int lockTableNumber(const QString& table) const;
    /// The quoted name of a table's counter field, the rows' identity;
    /// raises err::NotSupported for a table without one where the backend
    /// has no identity of its own for rows.
    virtual QString keyColumn(const QString& table);

protected:
    /// Set by the backend when it opened the register for reading only:
    /// the user may not write the file or its folder (or the file system
    /// is mounted read-only), or the server role may not change the
    /// register's documents.
    bool readOnly_ = false;

    /// Reads a table's columns from the register's own declarations;
    /// empty when there is no such table.
    virtual std::vector<FieldInfo> readTableFields(const QString& table) = 0;

private:
    std::map<QString, std::vector<FieldInfo>> tables_; ///< by lower-case table name

    // What holds the connection's transaction, if anything: at most one
    // such owner at a time. Set and cleared only by the owners themselves,
    // each an object whose destructor lets go however its scope ends.
    friend class Transaction;
    friend class ReadSnapshot;
    friend class WriteScope;
    friend class RegisterMaking;
    enum class Focus {
        None,
        Write,    ///< a Transaction, or a WriteScope's own transaction
        Snapshot, ///< a ReadSnapshot
        Making,   ///< a RegisterMaking: Transactions join it
    };
    Focus focus_ = Focus::None;
};

/// Runs one change as its own write transaction, or joins the open one.
/// The destructor rolls back an uncommitted own transaction. Refused inside
/// a ReadSnapshot, which ends by rolling back whatever was written in it.
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

/// Marks the transaction that makes a new register (a server's first
/// start, its tables and the first import in one) for as long as it lives:
/// Transaction objects then join it instead of beginning one, and their
/// commit() commits nothing. The caller begins and ends the transaction;
/// refuses while another owner holds the connection.
class RegisterMaking {
public:
    explicit RegisterMaking(Connection& c);
    ~RegisterMaking();
    RegisterMaking(const RegisterMaking&) = delete;
    RegisterMaking& operator=(const RegisterMaking&) = delete;

private:
    Connection& c_;
};

/// Converts a value for writing into a field; raises ConversionError or
/// FieldTooSmall. Returns what to bind (int, QString, stored date text, Null).
QVariant convertForField(const FieldInfo& f, const QVariant& value);

} // namespace store
