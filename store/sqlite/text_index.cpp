// The text index of a register file (see text_index.h).

#include "text_index.h"

#include "../like_pattern.h"
#include "../schema.h"
#include "sqlite_connection.h"

#include <iterator>
#include <string>

namespace store::sqlite {
namespace {

const char* const IndexedFields[] = {"Description", "Who", "Note"};
constexpr int TriggerCount = 3;
/// Trigram queries need runs of at least this many characters.
constexpr std::size_t ShortestRun = 3;

QString quotedFields(const QString& prefix) {
    QStringList out;
    for (const char* f : IndexedFields)
        out << prefix + QStringLiteral("\"%1\"").arg(QLatin1String(f));
    return out.join(QStringLiteral(", "));
}

/// The index's entry for a row as it is (`row`: new or old).
QString entry(const QString& row) {
    return QStringLiteral("(rowid, %1) VALUES (%2.\"RecordPtr\", %3)")
        .arg(quotedFields({}), row, quotedFields(row + QLatin1Char('.')));
}

QString removal(const QString& table) {
    return QStringLiteral("INSERT INTO \"%1\" (\"%1\", rowid, %2) VALUES ('delete', "
                          "old.\"RecordPtr\", %3);")
        .arg(table, quotedFields({}), quotedFields(QStringLiteral("old.")));
}

} // namespace

QString textIndexTable() {
    return QStringLiteral("DocumentsText");
}

QStringList textIndexStatements() {
    const QString t = textIndexTable();
    const QString insert = QStringLiteral("INSERT INTO \"%1\" %2;").arg(t, entry("new"));
    return {
        QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS \"%1\" USING fts5(%2, content = "
                       "'Documents', content_rowid = 'RecordPtr', tokenize = 'trigram');")
            .arg(t, quotedFields({})),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"%1_insert\" AFTER INSERT ON \"Documents\" "
                       "BEGIN %2 END;")
            .arg(t, insert),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"%1_delete\" AFTER DELETE ON \"Documents\" "
                       "BEGIN %2 END;")
            .arg(t, removal(t)),
        // Only changes of indexed fields touch the index.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"%1_update\" AFTER UPDATE OF "
                       "\"RecordPtr\", %2 ON \"Documents\" BEGIN %3 %4 END;")
            .arg(t, quotedFields({}), removal(t), insert),
    };
}

bool hasTextIndex(SqliteConnection& c) {
    SqliteStatement st(c, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                         "(type = 'table' AND name = ?1) OR (type = 'trigger' "
                                         "AND tbl_name = 'Documents' AND name IN (?2, ?3, ?4))"));
    const QString t = textIndexTable();
    st.bind(1, t);
    st.bind(2, t + QStringLiteral("_insert"));
    st.bind(3, t + QStringLiteral("_delete"));
    st.bind(4, t + QStringLiteral("_update"));
    st.step();
    const bool whole = st.columnInt(0) == 1 + TriggerCount;
    st.reset();
    return whole;
}

bool needsTextIndex(SqliteConnection& c) {
    if (hasTextIndex(c))
        return false;
    // A damaged file whose documents lack the fields is left to the
    // errors of reading it.
    SqliteStatement st(c, QStringLiteral("SELECT count(*) FROM pragma_table_info('Documents') "
                                         "WHERE name COLLATE NOCASE IN (%1)")
                              .arg(quotedFields({}).replace(u'"', u'\'')));
    st.step();
    const bool fields = st.columnInt(0) == static_cast<qint64>(std::size(IndexedFields));
    st.reset();
    return fields;
}

void addTextIndex(SqliteConnection& c) {
    if (!needsTextIndex(c))
        return;
    // A part left by a tool (the table without a trigger, say) may not
    // agree with the documents: the index is made afresh.
    const QString t = textIndexTable();
    for (const QString& what :
         {QStringLiteral("_insert"), QStringLiteral("_delete"), QStringLiteral("_update")})
        c.exec(QStringLiteral("DROP TRIGGER IF EXISTS \"%1%2\"").arg(t, what));
    c.exec(QStringLiteral("DROP TABLE IF EXISTS \"%1\"").arg(t));
    for (const QString& statement : textIndexStatements())
        c.exec(statement);
    c.exec(QStringLiteral("INSERT INTO \"%1\" (\"%1\") VALUES ('rebuild')").arg(t));
}

std::optional<QString> textIndexQuery(const QString& field, const QString& pattern) {
    const char* indexed = nullptr;
    for (const char* f : IndexedFields)
        if (field.compare(QLatin1String(f), Qt::CaseInsensitive) == 0)
            indexed = f;
    if (!indexed)
        return std::nullopt;
    const std::string utf8 = pattern.toStdString();
    const std::string_view p(utf8);
    QStringList phrases;
    std::string run;
    const auto endRun = [&] {
        if (run.size() >= ShortestRun)
            phrases << QLatin1Char('"') +
                           QString::fromLatin1(run).replace(u'"', QStringLiteral("\"\"")) +
                           QLatin1Char('"');
        run.clear();
    };
    for (std::size_t i = 0; i < p.size();) {
        const likepattern::Element e = likepattern::elementAt(p, i);
        if (e.kind == likepattern::ElementKind::Literal && e.literal < 0x80 && e.literal != 0)
            run += static_cast<char>(e.literal);
        else
            endRun();
        i += e.length;
    }
    endRun();
    if (phrases.isEmpty())
        return std::nullopt;
    return QStringLiteral("\"%1\" : (%2)").arg(QLatin1String(indexed), phrases.join(u' '));
}

} // namespace store::sqlite
