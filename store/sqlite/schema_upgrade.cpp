// Conversion of registers of earlier schema versions (see schema_upgrade.h).

#include "schema_upgrade.h"

#include "../engine_error.h"
#include "../schema.h"
#include "file_triggers.h"
#include "sqlite_connection.h"
#include "sqlite_schema.h"
#include "text_index.h"

#include <QRegularExpression>
#include <QStringList>
#include <utility>
#include <vector>

namespace store {
namespace {

const QString OldCollation = QStringLiteral("JETTEXT");

/// True while any table, index or trigger of the file names the old collation.
bool usesOldCollation(SqliteConnection& c) {
    SqliteStatement st(c, QStringLiteral("SELECT count(*) FROM sqlite_master "
                                         "WHERE instr(upper(sql), ?1) > 0"));
    st.bind(1, OldCollation);
    st.step();
    const bool uses = st.columnInt(0) > 0;
    st.reset();
    return uses;
}

/// A schema text with the old collation replaced by NOCASE.
QString withBuiltInCollation(const QString& sql) {
    static const QRegularExpression collate(
        QStringLiteral("COLLATE\\s+(\"JETTEXT\"|'JETTEXT'|\\[JETTEXT\\]|`JETTEXT`|JETTEXT\\b)"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(sql).replace(collate, QStringLiteral("COLLATE NOCASE"));
}

/// The schema entries that name the old collation: name and text.
std::vector<std::pair<QString, QString>> oldEntries(SqliteConnection& c) {
    SqliteStatement st(c, QStringLiteral("SELECT name, sql FROM sqlite_master "
                                         "WHERE instr(upper(sql), ?1) > 0"));
    st.bind(1, OldCollation);
    std::vector<std::pair<QString, QString>> entries;
    while (st.step())
        entries.emplace_back(st.column(0, schema::FieldKind::Text, true).toString(),
                             st.column(1, schema::FieldKind::Text, true).toString());
    return entries;
}

qint64 pragmaNumber(SqliteConnection& c, const QString& pragma) {
    SqliteStatement st(c, QStringLiteral("PRAGMA ") + pragma);
    st.step();
    const qint64 n = st.columnInt(0);
    st.reset();
    return n;
}

/// Opens the schema table for writing and closes it again, also when the
/// conversion fails half-way (the transaction is then rolled back).
class WritableSchema {
public:
    explicit WritableSchema(SqliteConnection& c) : c_(c) {
        c_.exec(QStringLiteral("PRAGMA writable_schema = ON"));
    }
    ~WritableSchema() {
        try {
            close();
        } catch (const EngineError&) {
            // the connection is being given up; SQLite resets it then
        }
    }
    WritableSchema(const WritableSchema&) = delete;
    WritableSchema& operator=(const WritableSchema&) = delete;

    /// Closes the schema table and makes the connection read the schema
    /// afresh, so that what follows sees the new declarations.
    void close() {
        if (open_) {
            open_ = false;
            c_.exec(QStringLiteral("PRAGMA writable_schema = RESET"));
        }
    }

private:
    SqliteConnection& c_;
    bool open_ = true;
};

/// True when the file is of an earlier schema version or still names the
/// old collation.
bool outOfDate(SqliteConnection& c) {
    return pragmaNumber(c, QStringLiteral("user_version")) < schema::Version ||
           usesOldCollation(c) || sqlite::needsTextIndex(c) || sqlite::needsFileTriggers(c);
}

/// Rewrites the old collation to NOCASE in the schema table and rebuilds
/// the indexes that sort by it.
void convertCollation(SqliteConnection& c) {
    const qint64 schemaVersion = pragmaNumber(c, QStringLiteral("schema_version"));
    {
        WritableSchema writable(c);
        SqliteStatement update(c,
                               QStringLiteral("UPDATE sqlite_master SET sql = ?1 WHERE name = ?2"));
        for (const auto& [name, sql] : oldEntries(c)) {
            update.bind(1, withBuiltInCollation(sql));
            update.bind(2, name);
            update.step();
            update.reset();
        }
        // A new schema cookie tells every other connection to the file,
        // in this program or another, to read the schema again.
        c.exec(QStringLiteral("PRAGMA schema_version = %1").arg(schemaVersion + 1));
        writable.close();
    }
    // The indexes still hold their entries in the old order; rebuilt in
    // the declared one, they agree with it again before anyone sees them.
    c.exec(QStringLiteral("REINDEX NOCASE"));
}

} // namespace

bool upgradeRegister(SqliteConnection& c, const OpenProgress& progress) {
    if (!outOfDate(c))
        return false;
    WriteScope w(c);
    // Another copy of the program may have converted the file while this
    // one waited for the write lock; the schema is read afresh here.
    if (!outOfDate(c))
        return false;
    if (usesOldCollation(c))
        convertCollation(c);
    // Tables of later versions (DocumentHistory, the files) where they are
    // missing, and the triggers that keep the files with the documents.
    for (const schema::Table& t : schema::tables())
        for (const QString& statement : sqlite::tableStatementList(t))
            c.exec(statement);
    for (const QString& statement : sqlite::fileTriggerStatements())
        c.exec(statement);
    sqlite::addTextIndex(c, progress);
    c.exec(QStringLiteral("PRAGMA user_version = %1").arg(schema::Version));
    w.commit();
    c.forgetTables();
    return true;
}

} // namespace store
