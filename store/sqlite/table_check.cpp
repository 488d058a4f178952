// Tables against their indexes (see table_check.h).

#include "table_check.h"

#include "../engine_error.h"
#include "sqlite_connection.h"

#include <QFileInfo>
#include <utility>
#include <vector>

namespace store {

namespace {

qint64 countRows(SqliteConnection& c, const QString& sql) {
    SqliteStatement st(c, sql);
    const qint64 n = st.step() ? st.columnInt(0) : 0;
    st.reset();
    return n;
}

} // namespace

void requireTablesAgreeWithIndexes(SqliteConnection& c) {
    // Every full index of every table; a partial index (WHERE) lists only
    // some rows by design.
    SqliteStatement list(c, QStringLiteral("SELECT m.name, i.name FROM sqlite_master AS m, "
                                           "pragma_index_list(m.name) AS i WHERE m.type = 'table' "
                                           "AND i.partial = 0 ORDER BY m.name, i.name"));
    std::vector<std::pair<QString, QString>> indexes;
    while (list.step())
        indexes.emplace_back(list.column(0, schema::FieldKind::Text, true).toString(),
                             list.column(1, schema::FieldKind::Text, true).toString());
    QString counted;
    qint64 rows = 0;
    for (const auto& [table, index] : indexes) {
        if (table != counted) {
            counted = table;
            rows = countRows(
                c,
                QStringLiteral("SELECT count(*) FROM %1 NOT INDEXED").arg(quoteIdentifier(table)));
        }
        const qint64 listed =
            countRows(c, QStringLiteral("SELECT count(*) FROM %1 INDEXED BY %2")
                             .arg(quoteIdentifier(table), quoteIdentifier(index)));
        if (listed != rows)
            throw EngineError(err::NotADatabase,
                              QStringLiteral("The register '%1' is damaged: its table '%2' reads "
                                             "as %3 rows where its index '%4' lists %5. Nothing "
                                             "was read; restore a backup of the register.")
                                  .arg(QFileInfo(c.location()).fileName(), table)
                                  .arg(rows)
                                  .arg(index)
                                  .arg(listed));
    }
}

} // namespace store
