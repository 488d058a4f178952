// The text index of a register file (see text_index.h).

#include "text_index.h"

#include "../like_pattern.h"
#include "../schema.h"
#include "sqlite_connection.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace store::sqlite {
namespace {

const char* const IndexedFields[] = {"Description", "Who", "Note"};
constexpr int TriggerCount = 3;
/// Trigram queries need runs of at least this many characters.
constexpr std::size_t ShortestRun = 3;
/// A pattern whose candidates are more than one in this many documents
/// is served by walking the list's order (see fewCandidates()).
constexpr qint64 CommonShare = 50;
/// ...but up to this many candidates are always few: a small register is
/// quickly read either way.
constexpr qint64 FewCandidates = 1000;
/// The index of an existing register is filled in about this many parts.
constexpr quint64 Slices = 100;

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

/// The index's table as `create` ("CREATE VIRTUAL TABLE", perhaps with
/// "IF NOT EXISTS") makes it. Its entries say which rows hold a trigram in
/// which field, not where (detail 'column'), and no field lengths are kept
/// (columnsize 0): a filter only needs the candidate rows, and positions
/// would make the index about twice the size of the text it covers.
QString tableStatement(const QString& create) {
    return QStringLiteral("%1 \"%2\" USING fts5(%3, content = 'Documents', content_rowid = "
                          "'RecordPtr', tokenize = 'trigram', detail = 'column', columnsize = 0)")
        .arg(create, textIndexTable(), quotedFields({}));
}

} // namespace

QString textIndexTable() {
    return QStringLiteral("DocumentsText");
}

QStringList textIndexStatements() {
    const QString t = textIndexTable();
    const QString insert = QStringLiteral("INSERT INTO \"%1\" %2;").arg(t, entry("new"));
    return {
        tableStatement(QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS")) + QLatin1Char(';'),
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
    // A table of another shape (one made by an earlier build, which kept
    // positions) counts as missing and is made again.
    SqliteStatement st(c, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                         "(type = 'table' AND name = ?1 AND sql = ?5) OR (type = "
                                         "'trigger' AND tbl_name = 'Documents' AND name IN (?2, "
                                         "?3, ?4))"));
    const QString t = textIndexTable();
    st.bind(1, t);
    st.bind(2, t + QStringLiteral("_insert"));
    st.bind(3, t + QStringLiteral("_delete"));
    st.bind(4, t + QStringLiteral("_update"));
    st.bind(5, tableStatement(QStringLiteral("CREATE VIRTUAL TABLE")));
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

void addTextIndex(SqliteConnection& c, const OpenProgress& progress) {
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

    // Filled in slices of the documents' row numbers, so that the progress
    // can be told between them; the caller's transaction holds them all.
    SqliteStatement range(
        c, QStringLiteral("SELECT (SELECT min(\"RecordPtr\") FROM \"Documents\"), (SELECT "
                          "max(\"RecordPtr\") FROM \"Documents\")"));
    range.step();
    if (range.columnIsNull(0)) {
        range.reset();
        if (progress)
            progress(1, 1);
        return;
    }
    const qint64 low = range.columnInt(0);
    const qint64 high = range.columnInt(1);
    range.reset();
    SqliteStatement fill(c, QStringLiteral("INSERT INTO \"%1\" (rowid, %2) SELECT "
                                           "\"RecordPtr\", %2 FROM \"Documents\" WHERE "
                                           "\"RecordPtr\" BETWEEN ?1 AND ?2")
                                .arg(t, quotedFields({})));
    // About a hundred slices: enough for a smooth bar, few enough to cost
    // nothing. Spans are counted from `low` so that no sum overflows.
    const quint64 span = static_cast<quint64>(high) - static_cast<quint64>(low);
    const quint64 slice = span / Slices + 1;
    const auto parts = static_cast<qint64>(span / slice + 1);
    for (qint64 part = 0; part < parts; ++part) {
        const quint64 first = static_cast<quint64>(part) * slice;
        const quint64 last = part + 1 == parts ? span : first + slice - 1;
        fill.bind(1, static_cast<qint64>(static_cast<quint64>(low) + first));
        fill.bind(2, static_cast<qint64>(static_cast<quint64>(low) + last));
        fill.step();
        fill.reset();
        if (progress)
            progress(part + 1, parts);
    }
}

bool fewCandidates(SqliteConnection& c, const QString& query) {
    // The span of row numbers stands for the number of documents: it
    // costs one look at each end of the table (each end its own query, as
    // only a lone min() or max() is read so), not a count of it.
    SqliteStatement range(
        c, QStringLiteral("SELECT (SELECT max(\"RecordPtr\") FROM \"Documents\") - (SELECT "
                          "min(\"RecordPtr\") FROM \"Documents\")"));
    range.step();
    const qint64 bound = std::max(FewCandidates, range.columnInt(0) / CommonShare);
    range.reset();
    SqliteStatement probe(c, QStringLiteral("SELECT count(*) FROM (SELECT rowid FROM \"%1\" WHERE "
                                            "\"%1\" MATCH ?1 LIMIT ?2)")
                                 .arg(textIndexTable()));
    probe.bind(1, query);
    probe.bind(2, bound + 1);
    probe.step();
    const bool few = probe.columnInt(0) <= bound;
    probe.reset();
    return few;
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
    // Every trigram of every run, each once: the index keeps no positions,
    // so a run is looked up as all of its trigrams in the field.
    QStringList trigrams;
    std::string run;
    const auto endRun = [&] {
        for (std::size_t i = 0; i + ShortestRun <= run.size(); ++i) {
            const QString term = QLatin1Char('"') +
                                 QString::fromLatin1(run.substr(i, ShortestRun))
                                     .toLower()
                                     .replace(u'"', QStringLiteral("\"\"")) +
                                 QLatin1Char('"');
            if (!trigrams.contains(term))
                trigrams << term;
        }
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
    if (trigrams.isEmpty())
        return std::nullopt;
    return QStringLiteral("\"%1\" : (%2)")
        .arg(QLatin1String(indexed), trigrams.join(QStringLiteral(" AND ")));
}

} // namespace store::sqlite
