// The text indexes of a register file (see text_index.h).

#include "text_index.h"

#include "../like_pattern.h"
#include "../schema.h"
#include "sqlite_connection.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <string>

namespace store::sqlite {
namespace {

constexpr int TriggerCount = 3;
/// Trigram queries need runs of at least this many characters.
constexpr std::size_t ShortestRun = 3;
/// A pattern whose candidates are more than one in this many rows
/// is served by walking the list's order (see fewCandidates()).
constexpr qint64 CommonShare = 50;
/// ...but up to this many candidates are always few: a small register is
/// quickly read either way.
constexpr qint64 FewCandidates = 1000;
/// The index of an existing register is filled in about this many parts.
constexpr quint64 Slices = 100;

/// An index: its table, the table it covers, that table's counter, and
/// the fields it indexes.
struct Shape {
    const char* index;
    const char* table;
    const char* key;
    std::span<const char* const> fields;
};

const char* const DocumentFields[] = {"Description", "Who", "Note"};
const char* const FileFields[] = {"Text"};

const Shape& shape(TextIndexOf which) {
    static const Shape documents{"DocumentsText", "Documents", "RecordPtr", DocumentFields};
    static const Shape files{"FileContentsText", "FileContents", "ContentPtr", FileFields};
    return which == TextIndexOf::Files ? files : documents;
}

QString quotedFields(const Shape& s, const QString& prefix) {
    QStringList out;
    for (const char* f : s.fields)
        out << prefix + QStringLiteral("\"%1\"").arg(QLatin1String(f));
    return out.join(QStringLiteral(", "));
}

QString name(const char* n) {
    return QLatin1String(n);
}

/// The index's entry for a row as it is (`row`: new or old).
QString entry(const Shape& s, const QString& row) {
    return QStringLiteral("(rowid, %1) VALUES (%2.\"%3\", %4)")
        .arg(quotedFields(s, {}), row, name(s.key), quotedFields(s, row + QLatin1Char('.')));
}

QString removal(const Shape& s) {
    return QStringLiteral("INSERT INTO \"%1\" (\"%1\", rowid, %2) VALUES ('delete', "
                          "old.\"%3\", %4);")
        .arg(name(s.index), quotedFields(s, {}), name(s.key),
             quotedFields(s, QStringLiteral("old.")));
}

/// The index's table as `create` ("CREATE VIRTUAL TABLE", perhaps with
/// "IF NOT EXISTS") makes it. Its entries say which rows hold a trigram in
/// which field, not where (detail 'column'), and no field lengths are kept
/// (columnsize 0): a filter only needs the candidate rows, and positions
/// would make the index about twice the size of the text it covers.
QString tableStatement(const Shape& s, const QString& create) {
    return QStringLiteral("%1 \"%2\" USING fts5(%3, content = '%4', content_rowid = "
                          "'%5', tokenize = 'trigram', detail = 'column', columnsize = 0)")
        .arg(create, name(s.index), quotedFields(s, {}), name(s.table), name(s.key));
}

QString triggerName(const Shape& s, const char* what) {
    return QStringLiteral("%1_%2").arg(name(s.index), QLatin1String(what));
}

const char* const TriggerKinds[TriggerCount] = {"insert", "delete", "update"};

} // namespace

QString textIndexTable(TextIndexOf which) {
    return name(shape(which).index);
}

QStringList textIndexStatements(TextIndexOf which) {
    const Shape& s = shape(which);
    const QString t = name(s.index);
    const QString table = name(s.table);
    const QString insert = QStringLiteral("INSERT INTO \"%1\" %2;").arg(t, entry(s, "new"));
    return {
        tableStatement(s, QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS")) + QLatin1Char(';'),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"%1_insert\" AFTER INSERT ON \"%2\" "
                       "BEGIN %3 END;")
            .arg(t, table, insert),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"%1_delete\" AFTER DELETE ON \"%2\" "
                       "BEGIN %3 END;")
            .arg(t, table, removal(s)),
        // Only changes of indexed fields touch the index.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"%1_update\" AFTER UPDATE OF "
                       "\"%2\", %3 ON \"%4\" BEGIN %5 %6 END;")
            .arg(t, name(s.key), quotedFields(s, {}), table, removal(s), insert),
    };
}

bool hasTextIndex(SqliteConnection& c, TextIndexOf which) {
    // A table of another shape (one made by an earlier build, which kept
    // positions) counts as missing and is made again.
    const Shape& s = shape(which);
    SqliteStatement st(c, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                         "(type = 'table' AND name = ?1 AND sql = ?5) OR (type = "
                                         "'trigger' AND tbl_name = ?6 AND name IN (?2, "
                                         "?3, ?4))"));
    st.bind(1, name(s.index));
    for (int i = 0; i < TriggerCount; ++i)
        st.bind(2 + i, triggerName(s, TriggerKinds[i]));
    st.bind(5, tableStatement(s, QStringLiteral("CREATE VIRTUAL TABLE")));
    st.bind(6, name(s.table));
    st.step();
    const bool whole = st.columnInt(0) == 1 + TriggerCount;
    st.reset();
    return whole;
}

bool needsTextIndex(SqliteConnection& c, TextIndexOf which) {
    if (hasTextIndex(c, which))
        return false;
    // A damaged file whose table lacks the fields (or a file of a version
    // without the table) is left to the errors of reading it.
    const Shape& s = shape(which);
    SqliteStatement st(c, QStringLiteral("SELECT count(*) FROM pragma_table_info('%1') "
                                         "WHERE name COLLATE NOCASE IN (%2)")
                              .arg(name(s.table), quotedFields(s, {}).replace(u'"', u'\'')));
    st.step();
    const bool fields = st.columnInt(0) == static_cast<qint64>(s.fields.size());
    st.reset();
    return fields;
}

void addTextIndex(SqliteConnection& c, const OpenProgress& progress, TextIndexOf which) {
    if (!needsTextIndex(c, which))
        return;
    // A part left by a tool (the table without a trigger, say) may not
    // agree with its table: the index is made afresh.
    const Shape& s = shape(which);
    const QString t = name(s.index);
    for (const char* what : TriggerKinds)
        c.exec(QStringLiteral("DROP TRIGGER IF EXISTS \"%1\"").arg(triggerName(s, what)));
    c.exec(QStringLiteral("DROP TABLE IF EXISTS \"%1\"").arg(t));
    for (const QString& statement : textIndexStatements(which))
        c.exec(statement);

    // Filled in slices of the table's row numbers, so that the progress
    // can be told between them; the caller's transaction holds them all.
    SqliteStatement range(c, QStringLiteral("SELECT (SELECT min(\"%1\") FROM \"%2\"), (SELECT "
                                            "max(\"%1\") FROM \"%2\")")
                                 .arg(name(s.key), name(s.table)));
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
                                           "\"%3\", %2 FROM \"%4\" WHERE "
                                           "\"%3\" BETWEEN ?1 AND ?2")
                                .arg(t, quotedFields(s, {}), name(s.key), name(s.table)));
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

bool fewCandidates(SqliteConnection& c, const QString& query, TextIndexOf which) {
    // The span of row numbers stands for the number of rows: it costs one
    // look at each end of the table (each end its own query, as only a
    // lone min() or max() is read so), not a count of it.
    const Shape& s = shape(which);
    SqliteStatement range(c, QStringLiteral("SELECT (SELECT max(\"%1\") FROM \"%2\") - (SELECT "
                                            "min(\"%1\") FROM \"%2\")")
                                 .arg(name(s.key), name(s.table)));
    range.step();
    const qint64 bound = std::max(FewCandidates, range.columnInt(0) / CommonShare);
    range.reset();
    SqliteStatement probe(c, QStringLiteral("SELECT count(*) FROM (SELECT rowid FROM \"%1\" WHERE "
                                            "\"%1\" MATCH ?1 LIMIT ?2)")
                                 .arg(name(s.index)));
    probe.bind(1, query);
    probe.bind(2, bound + 1);
    probe.step();
    const bool few = probe.columnInt(0) <= bound;
    probe.reset();
    return few;
}

std::optional<QString> textIndexQuery(const QString& field, const QString& pattern,
                                      TextIndexOf which) {
    const char* indexed = nullptr;
    for (const char* f : shape(which).fields)
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
