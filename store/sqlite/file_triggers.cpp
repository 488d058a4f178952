// The triggers that keep a register file's files with its documents (see
// file_triggers.h).

#include "file_triggers.h"

#include "sqlite_connection.h"

namespace store::sqlite {
namespace {

/// Deletes the content `old` named when no file holds it any more and a
/// document did (a staged one is its stager's).
const char* const DropUnheld =
    "DELETE FROM \"FileContents\" WHERE \"ContentPtr\" = old.\"ContentPtr\" AND "
    "\"Complete\" <> 0 AND NOT EXISTS (SELECT 1 FROM \"DocumentFiles\" WHERE \"ContentPtr\" "
    "= old.\"ContentPtr\");";

struct Trigger {
    const char* name;
    const char* when;
    const char* body;
};

const Trigger triggers[] = {
    {"DocumentFiles_document", "AFTER DELETE ON \"Documents\"",
     "DELETE FROM \"DocumentFiles\" WHERE \"RecordPtr\" = old.\"RecordPtr\";"},
    {"FileContents_unheld", "AFTER DELETE ON \"DocumentFiles\"", DropUnheld},
    {"FileContents_moved", "AFTER UPDATE OF \"ContentPtr\" ON \"DocumentFiles\"", DropUnheld},
    {"FileChunks_content", "AFTER DELETE ON \"FileContents\"",
     "DELETE FROM \"FileChunks\" WHERE \"ContentPtr\" = old.\"ContentPtr\";"},
};

} // namespace

QStringList fileTriggerStatements() {
    QStringList sql;
    for (const Trigger& t : triggers)
        sql << QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"%1\" %2 BEGIN %3 END;")
                   .arg(QLatin1String(t.name), QLatin1String(t.when), QLatin1String(t.body));
    return sql;
}

bool needsFileTriggers(SqliteConnection& c) {
    SqliteStatement st(c, QStringLiteral("SELECT (SELECT count(*) FROM sqlite_master WHERE type = "
                                         "'table' AND name = 'FileContents'), (SELECT count(*) "
                                         "FROM sqlite_master WHERE type = 'trigger' AND name IN "
                                         "(?1, ?2, ?3, ?4))"));
    int n = 0;
    for (const Trigger& t : triggers)
        st.bind(++n, QString::fromLatin1(t.name));
    st.step();
    const bool needs = st.columnInt(0) > 0 && st.columnInt(1) < n;
    st.reset();
    return needs;
}

} // namespace store::sqlite
