// The server's rules of a register (see pg_rules.h): the functions in
// PL/pgSQL, made in the register's schema, and their triggers.

#include "pg_rules.h"

#include "pg_connection.h"

#include <libpq-fe.h>

namespace store::postgres {
namespace {

/// What the history shows for a type: its name without the white space
/// around it, its number when it has no name or no row, Null for none.
QString typeShown(const QString& value) {
    // The characters QString::trimmed() takes away.
    static const QString space =
        QStringLiteral("'\t\n\v\f\r \u0085\u00a0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006"
                       "\u2007\u2008\u2009\u200a\u2028\u2029\u202f\u205f\u3000'");
    return QStringLiteral("CASE WHEN COALESCE(%1, 0) = 0 THEN NULL ELSE COALESCE(btrim(NULLIF(("
                          "SELECT t.type FROM types t WHERE t.recordptr = %1), ''), %2), "
                          "%1::text) END")
        .arg(value, space);
}

/// A date as the history shows it: m/d/yyyy.
QString dateShown(const QString& value) {
    return QStringLiteral("to_char(%1, 'FMMM/FMDD/YYYY')").arg(value);
}

/// One changed field: its number (the order of the rows), name, old and
/// new value as shown, and whether it changed.
QString changeRow(int n, const char* field, const QString& was, const QString& is,
                  const QString& changed = {}) {
    return QStringLiteral("(%1, '%2', %3, %4, %5)")
        .arg(n)
        .arg(QLatin1String(field), was, is,
             changed.isEmpty()
                 ? QStringLiteral("%1 COLLATE \"C\" IS DISTINCT FROM %2 COLLATE \"C\"").arg(was, is)
                 : changed);
}

QString historyFunction(const QString& schema) {
    QStringList changes{
        changeRow(1, "ID", QStringLiteral("OLD.id::text"), QStringLiteral("NEW.id::text")),
        changeRow(2, "Description", QStringLiteral("OLD.description"),
                  QStringLiteral("NEW.description")),
        changeRow(3, "Type", typeShown(QStringLiteral("OLD.documenttype")),
                  typeShown(QStringLiteral("NEW.documenttype")),
                  QStringLiteral("COALESCE(OLD.documenttype, 0) <> COALESCE(NEW.documenttype, 0)")),
        changeRow(4, "Date", dateShown(QStringLiteral("OLD.\"date\"")),
                  dateShown(QStringLiteral("NEW.\"date\""))),
        changeRow(5, "Who", QStringLiteral("OLD.who"), QStringLiteral("NEW.who")),
        changeRow(6, "Note", QStringLiteral("OLD.note"), QStringLiteral("NEW.note")),
    };
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION documents_history_entry() RETURNS trigger LANGUAGE "
               "plpgsql SECURITY DEFINER SET search_path = %1, pg_temp SET TimeZone FROM CURRENT "
               "AS $body$\n"
               "DECLARE\n"
               "  at timestamp(0) := date_trunc('second', localtimestamp);\n"
               "  who text := session_user;\n"
               "  place text := COALESCE(host(inet_client_addr()), 'local');\n"
               "BEGIN\n"
               "  IF TG_OP = 'INSERT' THEN\n"
               "    INSERT INTO documenthistory (changed, username, computer, recordptr, id, "
               "action, field, oldvalue, newvalue) VALUES (at, who, place, NEW.recordptr, NEW.id, "
               "'Added', NULL, NULL, NEW.description);\n"
               "  ELSIF TG_OP = 'DELETE' THEN\n"
               "    INSERT INTO documenthistory (changed, username, computer, recordptr, id, "
               "action, field, oldvalue, newvalue) VALUES (at, who, place, OLD.recordptr, OLD.id, "
               "'Deleted', NULL, OLD.description, NULL);\n"
               "  ELSE\n"
               "    INSERT INTO documenthistory (changed, username, computer, recordptr, id, "
               "action, field, oldvalue, newvalue) SELECT at, who, place, NEW.recordptr, NEW.id, "
               "'Changed', f.field, f.was, f.now FROM (VALUES %2) AS f(n, field, was, now, "
               "changed) WHERE f.changed ORDER BY f.n;\n"
               "  END IF;\n"
               "  RETURN NULL;\n"
               "END $body$")
        .arg(schema, changes.join(QStringLiteral(", ")));
}

QString counterFunction(const QString& schema) {
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION register_counter_catch_up() RETURNS trigger LANGUAGE "
               "plpgsql SECURITY DEFINER SET search_path = %1, pg_temp AS $body$\n"
               "DECLARE\n"
               "  tab text := format('%I.%I', TG_TABLE_SCHEMA, TG_TABLE_NAME);\n"
               "  counter text := pg_get_serial_sequence(tab, TG_ARGV[0]);\n"
               "  highest bigint;\n"
               "  following bigint;\n"
               "BEGIN\n"
               "  PERFORM pg_advisory_xact_lock(0, 1);\n"
               "  EXECUTE format('SELECT max(%I) FROM %s', TG_ARGV[0], tab) INTO highest;\n"
               "  EXECUTE format('SELECT CASE WHEN is_called THEN last_value + 1 ELSE last_value "
               "END FROM %s', counter) INTO following;\n"
               "  IF highest >= following THEN\n"
               "    PERFORM setval(counter, highest);\n"
               "  END IF;\n"
               "  RETURN NULL;\n"
               "END $body$")
        .arg(schema);
}

/// A file as the history shows it: its name, size and hash.
const char* const FileShown = "format('%s (%s bytes, SHA-256 %s)', f.name, c.size, c.sha256)";

/// The history of files: each DocumentFiles row inserted or deleted is a
/// "File attached" or "File removed" entry of its document, as the program
/// writes them into a register file (document_history.h).
QString fileHistoryFunction(const QString& schema) {
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION documentfiles_history_entry() RETURNS trigger LANGUAGE "
               "plpgsql SECURITY DEFINER SET search_path = %1, pg_temp SET TimeZone FROM CURRENT "
               "AS $body$\n"
               "DECLARE\n"
               "  f documentfiles := CASE WHEN TG_OP = 'INSERT' THEN NEW ELSE OLD END;\n"
               "  shown text;\n"
               "BEGIN\n"
               "  SELECT %2 INTO shown FROM filecontents c WHERE c.contentptr = f.contentptr;\n"
               "  INSERT INTO documenthistory (changed, username, computer, recordptr, id, "
               "action, field, oldvalue, newvalue) VALUES (date_trunc('second', localtimestamp), "
               "session_user, COALESCE(host(inet_client_addr()), 'local'), f.recordptr, (SELECT "
               "d.id FROM documents d WHERE d.recordptr = f.recordptr), CASE WHEN TG_OP = 'INSERT' "
               "THEN 'File attached' ELSE 'File removed' END, 'File', CASE WHEN TG_OP = 'DELETE' "
               "THEN COALESCE(shown, f.name) END, CASE WHEN TG_OP = 'INSERT' THEN COALESCE(shown, "
               "f.name) END);\n"
               "  RETURN NULL;\n"
               "END $body$")
        .arg(schema, QLatin1String(FileShown));
}

/// The files go with their document (before it, so that their history
/// still names its ID), a complete content no file holds any more goes,
/// and a content takes its chunks; as the register file's triggers do
/// (sqlite/file_triggers.h).
QStringList fileCascade(const QString& schema) {
    const QString head =
        QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY "
                       "DEFINER SET search_path = ") +
        schema + QStringLiteral(", pg_temp AS $body$\nBEGIN\n  %2;\n  RETURN %3;\nEND $body$");
    return {
        head.arg(QStringLiteral("documents_files_gone"),
                 QStringLiteral("DELETE FROM documentfiles WHERE recordptr = OLD.recordptr"),
                 QStringLiteral("OLD")),
        head.arg(QStringLiteral("documentfiles_unheld"),
                 QStringLiteral("DELETE FROM filecontents c WHERE c.contentptr = OLD.contentptr "
                                "AND c.complete <> 0 AND NOT EXISTS (SELECT 1 FROM documentfiles "
                                "f WHERE f.contentptr = OLD.contentptr)"),
                 QStringLiteral("NULL")),
        head.arg(QStringLiteral("filecontents_chunks_gone"),
                 QStringLiteral("DELETE FROM filechunks WHERE contentptr = OLD.contentptr"),
                 QStringLiteral("NULL")),
    };
}

struct Made {
    const char* trigger;
    const char* table;
    const char* when;
    const char* function;
};
// Triggers of one event fire in the order of their names: a file's
// history is written before its content may go.
constexpr Made fileTriggers[] = {
    {"documentfiles_history", "documentfiles", "AFTER INSERT OR DELETE",
     "documentfiles_history_entry"},
    {"documents_files", "documents", "BEFORE DELETE", "documents_files_gone"},
    {"documentfiles_unheld", "documentfiles", "AFTER DELETE OR UPDATE OF contentptr",
     "documentfiles_unheld"},
    {"filecontents_chunks", "filecontents", "AFTER DELETE", "filecontents_chunks_gone"},
};

struct Counted {
    const char* table;
    const char* key;
};
constexpr Counted counted[] = {{"documents", "recordptr"},        {"types", "recordptr"},
                               {"documenthistory", "historyptr"}, {"documentfiles", "fileptr"},
                               {"filecontents", "contentptr"},    {"filechunks", "chunkptr"}};

} // namespace

QString historyTrigger() {
    return QStringLiteral("documents_history");
}

QString fileHistoryTrigger() {
    return QLatin1String(fileTriggers[0].trigger);
}

QStringList ruleTriggers() {
    QStringList names{historyTrigger()};
    for (const Made& t : fileTriggers)
        names << QLatin1String(t.trigger);
    for (const Counted& t : counted)
        names << QStringLiteral("%1_counter").arg(QLatin1String(t.table));
    return names;
}

void installRules(PgConnection& c) {
    const PgResult r = c.run(QStringLiteral("SELECT quote_ident(current_schema())"), true);
    const QString schema = QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
    QStringList sql{historyFunction(schema), counterFunction(schema),
                    QStringLiteral("DROP TRIGGER IF EXISTS %1 ON documents").arg(historyTrigger()),
                    QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON "
                                   "documents FOR EACH ROW EXECUTE FUNCTION "
                                   "documents_history_entry()")
                        .arg(historyTrigger())};
    sql << fileHistoryFunction(schema) << fileCascade(schema);
    for (const Made& t : fileTriggers)
        sql << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2")
                   .arg(QLatin1String(t.trigger), QLatin1String(t.table))
            << QStringLiteral("CREATE TRIGGER %1 %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %4()")
                   .arg(QLatin1String(t.trigger), QLatin1String(t.when), QLatin1String(t.table),
                        QLatin1String(t.function));
    for (const Counted& t : counted) {
        const QString table = QLatin1String(t.table);
        sql << QStringLiteral("DROP TRIGGER IF EXISTS %1_counter ON %1").arg(table)
            << QStringLiteral("CREATE TRIGGER %1_counter AFTER INSERT ON %1 FOR EACH STATEMENT "
                              "EXECUTE FUNCTION register_counter_catch_up('%2')")
                   .arg(table, QLatin1String(t.key))
            // An insert of no rows still runs the statement's trigger once:
            // the counter of a table filled before is brought up now.
            << QStringLiteral("INSERT INTO %1 SELECT * FROM %1 WHERE false").arg(table);
    }
    // Only the server writes the history; what desks were given to it
    // before (the grants of earlier versions) is taken back.
    sql << QStringLiteral(
        "DO $$ DECLARE grantees text; BEGIN SELECT string_agg(DISTINCT CASE WHEN a.grantee = 0 "
        "THEN 'PUBLIC' ELSE quote_ident(r.rolname) END, ', ') INTO grantees FROM pg_class c "
        "CROSS JOIN LATERAL aclexplode(c.relacl) a LEFT JOIN pg_roles r ON r.oid = a.grantee "
        "WHERE c.oid = 'documenthistory'::regclass AND a.grantee <> c.relowner AND "
        "a.privilege_type IN ('INSERT', 'UPDATE', 'DELETE', 'TRUNCATE', 'REFERENCES', "
        "'TRIGGER'); IF grantees IS NOT NULL THEN EXECUTE 'REVOKE INSERT, UPDATE, DELETE, "
        "TRUNCATE, REFERENCES, TRIGGER ON documenthistory FROM ' || grantees || ' CASCADE'; END "
        "IF; END $$");
    c.run(sql.join(QStringLiteral(";\n")), true);
}

} // namespace store::postgres
