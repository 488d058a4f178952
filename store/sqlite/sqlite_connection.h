#pragma once
// The register file's connection: SQLite behind the engine's Connection.
// Every SQLite call of the engine layer lives in this folder; every SQLite
// result passes through check(), so every failure reaches callers as one
// EngineError with a number and a text that names the file.
//
// The connection is shared, read-write and never exclusive. The file keeps
// SQLite's rollback journal (WAL does not work on shared network folders,
// where registers are often kept); write transactions start with BEGIN
// IMMEDIATE, which takes the file's write lock before reading, so two
// writers never deadlock upgrading a read lock; a busy file is waited for
// up to busyTimeoutMs, then reported. Engine SQL runs unchanged: it is
// SQLite's own dialect, with like() replaced by the register's (see
// sqlite_functions.h).

#include "../connection.h"
#include "row_lock.h"

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

class SqliteConnection;
namespace sqlite {
enum class TextIndexOf; // text_index.h
}

/// Makes `db` wait for another user's lock by looking every 2 ms, up to
/// Connection::busyTimeoutMs. SQLite's own wait looks ever more seldom (up
/// to every 100 ms) and keeps missing the short gaps between the commits of
/// a user who writes one transaction after another (a file being stored
/// in parts), so that a change would be refused as busy although the
/// register was free many times meanwhile.
void waitForLocks(sqlite3* db);

class SqliteStatement : public Statement {
public:
    SqliteStatement(SqliteConnection& conn, const QString& sql);
    ~SqliteStatement() override;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void bind(int i, const QVariant& value) override;
    bool step() override;
    void reset() override;
    int columnCount() const override;
    QString columnName(int i) const override;
    bool columnFromTable(int i) const override;
    FieldInfo columnField(int i) const override;
    bool columnIsNull(int i) const override;
    qint64 columnInt(int i) const override;
    QVariant column(int i, schema::FieldKind kind, bool known) const override;

private:
    QString declared(int i) const;

    SqliteConnection* conn_;
    sqlite3_stmt* stmt_ = nullptr;
    QString sql_;
};

class SqliteConnection : public Connection {
public:
    /// Opens `fileName` with SQLite's open flags; raises EngineError. The
    /// connection is readOnly() when SQLite opened the file for reading
    /// only (asked to, or the file could not be opened for writing).
    SqliteConnection(const QString& fileName, int flags);
    ~SqliteConnection() override;

    std::unique_ptr<Statement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;
    /// SQLite's own interrupt, safe from any thread while the handle is
    /// open; SQLite forgets it when no statement is running.
    void interrupt() noexcept override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;
    qint64 lastInsertKey() const override;
    qint64 counterValue(const QString& table) override;
    void raiseCounter(const QString& table, qint64 value) override;
    void beginSnapshot() override;
    /// Drops the table's indexes of the program's own schema and returns
    /// their names, which makeIndexes() makes again from that schema.
    QStringList dropIndexes(const QString& table) override;
    void makeIndexes(const QString& table, const QStringList& names) override;
    bool hasFeature(Feature f) const override { return f == Feature::SortsTextByCodePoint; }
    const Backend& backend() const override;
    void requireWholeTables() override;
    QString comparableDate(const QString& column) const override;
    QString likeNarrowing(const QString& table, const QString& field, const QString& key,
                          const QString& param, const QVariant& pattern, QVariant& bound) override;
    QString filesTextNarrowing(const QString& key, const QString& param, const QVariant& pattern,
                               QVariant& bound) override;
    RowReservations& reservations() override;
    QString integrityCheck() override;
    QString location() const override { return fileName_; }
    /// The counter field, or SQLite's own row id for a table without one.
    QString keyColumn(const QString& table) override;

    /// Starts the row reservations of the file (after it is known to be a
    /// register, so a refused file leaves no lock file behind). A
    /// connection that may only read takes none and makes no lock file.
    void startReservations();

    /// Raises an EngineError for any SQLite result other than OK/ROW/DONE.
    void check(int rc, const QString& context = {}) const;
    [[noreturn]] void raise(int rc, const QString& context) const;

    sqlite3* handle() const { return db_; }

protected:
    std::vector<FieldInfo> readTableFields(const QString& table) override;

private:
    sqlite3* db_ = nullptr;
    QString fileName_;
    std::unique_ptr<RowLocks> locks_;
    ReaderReservations reader_; ///< what a connection that may only read answers
    /// The text index's last answer whether a pattern's candidates are
    /// few, kept while the register is unchanged (a list's statement is
    /// written twice as it opens: its keys, its text).
    struct CandidatesProbe {
        QString query;
        qint64 changes = -1; ///< this connection's changes
        qint64 version = -1; ///< other connections' commits
        bool few = false;
    };
    CandidatesProbe probe_;     ///< of the documents' index
    CandidatesProbe fileProbe_; ///< of the files' index
    /// True when `query` finds few rows in the index `which`, asked once
    /// while the register is unchanged (see CandidatesProbe).
    bool fewCandidates(CandidatesProbe& probe, const QString& query, sqlite::TextIndexOf which);
};

} // namespace store
