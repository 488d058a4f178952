#pragma once
// The server register's connection: PostgreSQL through libpq behind the
// engine's Connection. Every libpq call of the engine layer lives in this
// folder; every failure becomes one EngineError whose text names the
// server and the cause.
//
// Writes: a write transaction is BEGIN followed by a transaction-scoped
// advisory lock that every writer of the register takes first, so writers
// follow one another as they do on a register file and a check and the
// write that depends on it form one step (under PostgreSQL's READ
// COMMITTED each statement sees what the writer before committed). A
// writer waits for the lock up to busyTimeoutMs (lock_timeout), then is
// refused with err::DatabaseBusy.
//
// Statements run with their values as bound parameters (PQexecParams), one
// round trip each; a statement run a second time is prepared on the server
// and reused. A statement sent ahead runs on the server while the program
// works; its answer is read before the connection takes another command.
// Each session asks for ISO dates, a bounded lock wait, and TCP
// keepalives, so that a desk that vanishes loses its reservations within
// about two minutes.
//
// A connection the server dropped (a restart, a network failure) is opened
// again at the start of the next piece of work, and this user's row
// reservations are taken again; work that was under way is reported as
// lost and nothing of it is stored.
//
// Threading: one thread, like every connection; interrupt() from any
// other sends the server a cancel request (libpq's, made for that use),
// only while a statement is running, so that one sent to an idle
// connection cannot stop the next.

#include "../connection.h"
#include "pg_pipeline.h"
#include "pg_reservations.h"
#include "pg_result.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace store {

class PgConnection;

class PgStatement : public Statement {
public:
    PgStatement(PgConnection& conn, const QString& engineSql);
    /// A statement in PostgreSQL's own SQL taking `parameters` values, run
    /// as it is (Connection::prepareOwn).
    /// With `returningKey`, an INSERT that returns the new row's key.
    PgStatement(PgConnection& conn, const QString& sql, int parameters,
                const QString& returningKey = {});
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    void bind(int i, const QVariant& value) override;
    bool step() override;
    void reset() override;
    void sendAhead() override;
    int columnCount() const override;
    QString columnName(int i) const override;
    bool columnFromTable(int i) const override;
    FieldInfo columnField(int i) const override;
    bool columnIsNull(int i) const override;
    qint64 columnInt(int i) const override;
    QVariant column(int i, schema::FieldKind kind, bool known) const override;

private:
    /// Reads the answer to sendAhead() into the statement when it is on
    /// its way (see pg_pipeline.h).
    void receive() noexcept;
    /// Counts a run and prepares the statement on the server from its
    /// second run on (again after a reconnection).
    void prepareForRun();
    std::vector<const char*> parameterPointers() const;
    void execute();
    /// Makes a successful result the statement's rows.
    void take(PgResult r);
    /// Drops the rows of the last run, also an answer still on its way.
    void dropRows();
    /// The result whose columns describe the statement: the last run's,
    /// or a description asked of the server before the first run.
    const pg_result* shape() const;

    PgConnection* conn_;
    QString engineSql_;
    QByteArray sql_;           ///< the statement in PostgreSQL's dialect
    std::vector<int> pattern_; ///< 1 for parameters bound as LIKE patterns
    bool returnsKey_ = false;  ///< an INSERT that returns the new row's key
    std::vector<std::optional<QByteArray>> values_;
    PgResult result_;
    mutable PgResult description_;
    int row_ = -1;
    int runs_ = 0;
    QByteArray preparedName_; ///< set once the statement is prepared on the server
    int generation_ = 0;      ///< the connection's generation it was prepared on
};

class PgConnection : public Connection {
public:
    /// Connects to the server named by `uri`; raises EngineError naming
    /// the server and the cause (down, wrong password, no such database).
    explicit PgConnection(const QString& uri);
    ~PgConnection() override;

    std::unique_ptr<Statement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;
    void interrupt() noexcept override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;
    qint64 lastInsertKey() const override { return lastKey_; }
    qint64 counterValue(const QString& table) override;
    void raiseCounter(const QString& table, qint64 value) override;
    void beginSnapshot() override;
    QStringList dropIndexes(const QString& table) override;
    void makeIndexes(const QString& table, const QStringList& statements) override;
    bool hasFeature(Feature f) const override {
        return f == Feature::RecordsHistoryItself && serverHistory_;
    }
    const Backend& backend() const override;
    RowReservations& reservations() override { return reservations_; }

    // The server's own SQL for query descriptions (pg_dialect.cpp).
    std::unique_ptr<Statement> prepareOwn(const QString& sql, int parameters) override;
    std::unique_ptr<Statement> prepareInsert(const QString& table, const QString& sql,
                                             int parameters) override;
    QString placeholder(int n) const override;
    QString escapeIdentifier(const QString& name) const override;
    QString textCompared(const QString& column) const override;
    QString likeMatch(const QString& column, bool textField, const QString& param,
                      QVariant& pattern) const override;
    QString nullsPlaced(bool descending) const override;
    bool indexOrdersCarriedFields() const override { return false; }
    QString integrityCheck() override;
    QString location() const override { return location_; }

    /// Runs engine SQL or PostgreSQL SQL (`native`) without parameters;
    /// raises on failure.
    PgResult run(const QString& sql, bool native);
    /// Runs native SQL with text parameters; raises on failure.
    PgResult runWith(const QByteArray& sql, const std::vector<std::optional<QByteArray>>& values);
    /// Raises the EngineError for a failed result (its owner clears it).
    [[noreturn]] void raise(const pg_result* result, const QString& context);

    /// Before each piece of work: reads a statement's answer still on its
    /// way, then opens the connection again when the server dropped it,
    /// unless a transaction was under way (then raises).
    void ensureOpen();
    /// Reads the answer of the statement sent ahead, if any, so that the
    /// connection can take the next command.
    void settle() const noexcept {
        const Running running(*this);
        pipeline_.settle(conn_);
    }

    /// Marks the connection as running a statement for as long as it
    /// lives: the time in which interrupt() cancels.
    class Running {
    public:
        explicit Running(const PgConnection& c) : flag_(c.running_) { flag_ = true; }
        ~Running() { flag_ = false; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        std::atomic<bool>& flag_;
    };

    /// The statement sent ahead on this connection (one at a time).
    PgPipeline& pipeline() { return pipeline_; }

    /// Learns whether this role may change the register's documents (the
    /// rights to insert, update and delete them) on a server that takes
    /// changes (not a standby, not read-only by default); a role that may
    /// not is readOnly(). Called once the register's tables exist.
    void learnAccess();

    /// What users are told the register is: "the database 'd' on the server 'h'".
    QString describe() const { return describe_; }
    pg_conn* handle() const { return conn_; }
    int generation() const { return generation_; }
    /// A fresh name for a statement prepared on the server.
    QByteArray nextStatementName();
    void setLastKey(qint64 key) { lastKey_ = key; }
    /// Whether the register's rules write the history (pg_rules.h).
    void setServerHistory(bool on) { serverHistory_ = on; }

protected:
    std::vector<FieldInfo> readTableFields(const QString& table) override;

private:
    void startSession();
    /// Keeps the server from writing history for a table being loaded in
    /// bulk (`hold`), or lets it again.
    void holdHistory(const QString& table, bool hold);
    [[noreturn]] void raiseLost(const QString& detail);
    /// Makes the cancel request of the session now open (after a connect
    /// or a reconnection, which changes the server process).
    void renewCancel() noexcept;

    pg_conn* conn_ = nullptr;
    QString location_;
    QString describe_;
    qint64 lastKey_ = 0;
    int generation_ = 1;          ///< counts (re)connections
    int statements_ = 0;          ///< names handed out
    bool working_ = false;        ///< a transaction was begun and not yet ended
    bool serverHistory_ = false;  ///< the server writes the history itself
    mutable PgPipeline pipeline_; ///< the answer sent for and not yet read
    PgReservations reservations_;
    std::mutex cancelLock_;                    ///< guards cancel_ against a reconnection
    pg_cancel* cancel_ = nullptr;              ///< the session's cancel request, made once
    mutable std::atomic<bool> running_{false}; ///< a statement is running (Running)
};

} // namespace store
