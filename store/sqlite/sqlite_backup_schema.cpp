// The schema of a register file made again for its backup (see
// sqlite_backup_schema.h).

#include "sqlite_backup_schema.h"

#include "../schema.h"
#include "sqlite_connection.h"

#include <algorithm>

namespace store {

namespace {

bool isVirtual(const SchemaEntry& e) {
    return e.sql.startsWith(QLatin1String("CREATE VIRTUAL TABLE"), Qt::CaseInsensitive);
}

/// SQLite's own tables: made by SQLite (sqlite_sequence), or by ANALYZE,
/// which a copy does not need.
bool isSqlitesOwn(const QString& name) {
    return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

/// The ordinary tables the main database holds.
std::vector<QString> tablesIn(SqliteConnection& c) {
    // A virtual table has no pages of its own (rootpage 0).
    SqliteStatement st(c, QStringLiteral("SELECT name FROM main.sqlite_master WHERE type = 'table' "
                                         "AND rootpage <> 0"));
    std::vector<QString> names;
    while (st.step())
        names.push_back(st.column(0, schema::FieldKind::Text, true).toString());
    return names;
}

bool contains(const std::vector<QString>& names, const QString& name) {
    return std::any_of(names.begin(), names.end(), [&name](const QString& n) {
        return n.compare(name, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

bool RegisterSchema::hasTable(const QString& name) const {
    return std::any_of(entries.begin(), entries.end(), [&name](const SchemaEntry& e) {
        return e.type == QLatin1String("table") && e.name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

RegisterSchema readSchema(SqliteConnection& c, const QString& schemaName) {
    RegisterSchema schema;
    {
        SqliteStatement st(c, QStringLiteral("SELECT type, name, sql FROM %1.sqlite_master "
                                             "ORDER BY rowid")
                                  .arg(quoteIdentifier(schemaName)));
        while (st.step())
            schema.entries.push_back({st.column(0, schema::FieldKind::Text, true).toString(),
                                      st.column(1, schema::FieldKind::Text, true).toString(),
                                      st.column(2, schema::FieldKind::Text, true).toString()});
    }
    SqliteStatement version(
        c, QStringLiteral("PRAGMA %1.user_version").arg(quoteIdentifier(schemaName)));
    version.step();
    schema.userVersion = static_cast<int>(version.columnInt(0));
    return schema;
}

std::vector<QString> makeTables(SqliteConnection& c, const RegisterSchema& schema) {
    // Virtual tables first: each makes tables of its own, which are then
    // not made again from their declarations but emptied.
    for (const SchemaEntry& e : schema.entries)
        if (e.type == QLatin1String("table") && isVirtual(e))
            c.exec(e.sql);
    const std::vector<QString> madeByVirtual = tablesIn(c);
    for (const QString& name : madeByVirtual)
        c.exec(QStringLiteral("DELETE FROM main.%1").arg(quoteIdentifier(name)));
    std::vector<QString> copied;
    for (const SchemaEntry& e : schema.entries) {
        if (e.type != QLatin1String("table") || isVirtual(e) || isSqlitesOwn(e.name))
            continue;
        if (!contains(madeByVirtual, e.name))
            c.exec(e.sql);
        copied.push_back(e.name);
    }
    return copied;
}

void finishSchema(SqliteConnection& c, const RegisterSchema& schema) {
    for (const SchemaEntry& e : schema.entries)
        if (e.type == QLatin1String("index") && !e.sql.isEmpty())
            c.exec(e.sql);
    for (const SchemaEntry& e : schema.entries)
        if ((e.type == QLatin1String("trigger") || e.type == QLatin1String("view")) &&
            !e.sql.isEmpty())
            c.exec(e.sql);
    c.exec(QStringLiteral("PRAGMA main.user_version = %1").arg(schema.userVersion));
}

} // namespace store
