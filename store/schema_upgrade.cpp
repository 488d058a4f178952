// Conversion of registers of earlier schema versions (see schema_upgrade.h).

#include "schema_upgrade.h"

#include "connection.h"
#include "engine_error.h"
#include "schema.h"

#include <QRegularExpression>
#include <QStringList>
#include <optional>

namespace store {
namespace {

const QString OldCollation = QStringLiteral("JETTEXT");

/// True while any table, index or trigger of the file names the old collation.
bool usesOldCollation(Connection& c) {
    Statement st(c, QStringLiteral("SELECT count(*) FROM sqlite_master "
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

/// The texts of one column of a schema query with one bound name.
QStringList texts(Connection& c, const QString& sql, const QString& name) {
    Statement st(c, sql);
    st.bind(1, name);
    QStringList out;
    while (st.step())
        out << st.column(0, schema::FieldKind::Text, true).toString();
    return out;
}

/// The table's AUTOINCREMENT counter, if it has one.
std::optional<qint64> counterOf(Connection& c, const QString& table) {
    if (texts(c, QStringLiteral("SELECT name FROM sqlite_master WHERE name = ?1"),
              QStringLiteral("sqlite_sequence"))
            .isEmpty())
        return std::nullopt;
    Statement st(c, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"));
    st.bind(1, table);
    if (!st.step())
        return std::nullopt;
    const qint64 seq = st.columnInt(0);
    st.reset();
    return seq;
}

/// Rebuilds one table with its indexes and triggers in the built-in
/// collation: new table under a passing name, rows copied with their row
/// ids, old table dropped, new one renamed, dependents made anew, and the
/// counter put back where it stood (a copy would set it to the highest
/// row id, which may lie below numbers already handed out and deleted).
void rebuildTable(Connection& c, const QString& table) {
    const QString create =
        texts(c, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1"),
              table)
            .value(0);
    const QStringList dependents =
        texts(c,
              QStringLiteral("SELECT sql FROM sqlite_master WHERE tbl_name = ?1 AND type IN "
                             "('index', 'trigger') AND sql IS NOT NULL ORDER BY type, name"),
              table);
    const std::optional<qint64> counter = counterOf(c, table);

    static const QRegularExpression head(
        QStringLiteral("^\\s*CREATE\\s+TABLE\\s+(\"(?:[^\"]|\"\")*\"|\\[[^\\]]*\\]|`[^`]*`|\\w+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString passing = table + QStringLiteral("_converting");
    QString newCreate = withBuiltInCollation(create);
    const auto m = head.match(newCreate);
    if (!m.hasMatch())
        throw EngineError(err::NotADatabase,
                          QStringLiteral("The table '%1' of the register cannot be converted: its "
                                         "definition is not understood.")
                              .arg(table));
    newCreate.replace(m.capturedStart(1), m.capturedLength(1), quoteIdentifier(passing));

    c.exec(newCreate);
    c.exec(QStringLiteral("INSERT INTO %1 SELECT * FROM %2")
               .arg(quoteIdentifier(passing), quoteIdentifier(table)));
    c.exec(QStringLiteral("DROP TABLE %1").arg(quoteIdentifier(table)));
    c.exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2")
               .arg(quoteIdentifier(passing), quoteIdentifier(table)));
    for (const QString& sql : dependents)
        c.exec(withBuiltInCollation(sql));
    if (counter) {
        Statement st(c, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?1) "
                                       "WHERE name = ?2"));
        st.bind(1, QVariant(*counter));
        st.bind(2, table);
        st.step();
    }
}

} // namespace

bool upgradeRegister(Connection& c) {
    if (!usesOldCollation(c))
        return false;
    WriteScope w(c);
    // Another copy of the program may have converted the file while this
    // one waited for the write lock; the schema is read afresh here.
    if (!usesOldCollation(c))
        return false;
    const QStringList tables =
        texts(c,
              QStringLiteral("SELECT DISTINCT tbl_name FROM sqlite_master WHERE type IN ('table', "
                             "'index', 'trigger') AND instr(upper(sql), ?1) > 0 ORDER BY tbl_name"),
              OldCollation);
    for (const QString& table : tables)
        rebuildTable(c, table);
    c.exec(QStringLiteral("PRAGMA user_version = %1").arg(schema::Version));
    w.commit();
    return true;
}

} // namespace store
