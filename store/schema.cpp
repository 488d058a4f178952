// The register's two tables and their named indexes, and the SQL that makes
// them. Index "RecordPtr" is the table's row id itself, so it needs no index
// of its own in the file; "Description", "Who" and "Type" are real indexes
// in SQLite's built-in NOCASE collation, so walking them needs no sort and
// any SQLite tool can read, check and change the file. The indexes on
// ID and DocumentType serve the editor's duplicate test and the types
// window's in-use test.

#include "schema.h"

#include <QRegularExpression>
#include <QStringList>
#include <array>

namespace store::schema {
namespace {

using K = FieldKind;

constexpr std::array documentFields{
    Field{"RecordPtr", K::Counter, 0}, Field{"ID", K::Long, 0},
    Field{"Description", K::Text, 0},  Field{"DocumentType", K::Integer, 0},
    Field{"Date", K::Date, 0},         Field{"Who", K::Text, 0},
    Field{"Note", K::Memo, 0},         Field{"DateAdded", K::Date, 0},
    Field{"DateChanged", K::Date, 0},
};
constexpr std::array documentIndexes{
    Index{"RecordPtr", "RecordPtr"},
    Index{"Description", "Description"},
    Index{"Who", "Who"},
    // The list's own index: ordered by ID and carrying every field a list
    // filter reads except the note, so a filtered list in ID order is read
    // from the index alone instead of from rows that hold whole notes.
    Index{"DocumentID", "ID", "Description, Who, Date, DocumentType"},
    Index{"DocumentKind", "DocumentType"},
};

constexpr std::array typeFields{Field{"RecordPtr", K::Counter, 0}, Field{"Type", K::Text, 10}};
constexpr std::array typeIndexes{Index{"RecordPtr", "RecordPtr"}, Index{"TypeName", "Type"}};

constexpr std::array allTables{
    Table{"Documents", documentFields, documentIndexes},
    Table{"Types", typeFields, typeIndexes},
};

} // namespace

std::span<const Table> tables() {
    return allTables;
}

const Table* findTable(const QString& name) {
    for (const Table& t : allTables)
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QString declaredType(FieldKind kind, int width) {
    switch (kind) {
    case K::Counter:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case K::Long:
        return QStringLiteral("INTEGER");
    case K::Integer:
        return QStringLiteral("SMALLINT");
    case K::Text:
        return width > 0 ? QStringLiteral("VARCHAR(%1) COLLATE NOCASE").arg(width)
                         : QStringLiteral("TEXT COLLATE NOCASE");
    case K::Memo:
        return QStringLiteral("MEMO TEXT COLLATE NOCASE");
    case K::Date:
        return QStringLiteral("DATETIME");
    }
    return {};
}

FieldKind kindFromDeclared(const QString& declared, int* width) {
    const QString t = declared.toUpper();
    if (width)
        *width = 0;
    if (t.startsWith(QLatin1String("SMALLINT")))
        return K::Integer;
    if (t.startsWith(QLatin1String("INTEGER")))
        return K::Long;
    if (t.startsWith(QLatin1String("DATETIME")))
        return K::Date;
    if (t.startsWith(QLatin1String("MEMO")))
        return K::Memo;
    static const QRegularExpression varchar(QStringLiteral("^VARCHAR\\((\\d+)\\)"));
    if (const auto m = varchar.match(t); m.hasMatch() && width)
        *width = m.captured(1).toInt();
    return K::Text;
}

QString createStatements() {
    QStringList sql{QStringLiteral("PRAGMA user_version = %1;").arg(Version)};
    for (const Table& t : allTables) {
        QStringList cols;
        for (const Field& f : t.fields)
            cols << QStringLiteral("\"%1\" %2")
                        .arg(QLatin1String(f.name), declaredType(f.kind, f.width));
        sql << QStringLiteral("CREATE TABLE \"%1\" (%2);")
                   .arg(QLatin1String(t.name), cols.join(", "));
        for (const Index& ix : t.indexes) {
            if (QLatin1String(ix.field) == QLatin1String("RecordPtr"))
                continue; // the row id is its own index
            QString columns = QStringLiteral("\"%1\"").arg(QLatin1String(ix.field));
            if (ix.carried)
                for (const QString& f : QString::fromLatin1(ix.carried).split(','))
                    columns += QStringLiteral(", \"%1\"").arg(f.trimmed());
            sql << QStringLiteral("CREATE INDEX \"%1\" ON \"%2\" (%3);")
                       .arg(QLatin1String(ix.name), QLatin1String(t.name), columns);
        }
    }
    return sql.join('\n');
}

} // namespace store::schema
