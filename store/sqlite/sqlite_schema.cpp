// The register's schema in SQLite's declarations (see sqlite_schema.h).

#include "sqlite_schema.h"

#include "file_triggers.h"
#include "text_index.h"

#include <QRegularExpression>
#include <QStringList>

namespace store::sqlite {

using K = schema::FieldKind;
using schema::FieldKind;

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
    case K::Data:
        return QStringLiteral("BLOB");
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
    if (t.startsWith(QLatin1String("BLOB")))
        return K::Data;
    static const QRegularExpression varchar(QStringLiteral("^VARCHAR\\((\\d+)\\)"));
    if (const auto m = varchar.match(t); m.hasMatch() && width)
        *width = m.captured(1).toInt();
    return K::Text;
}

QStringList tableStatementList(const schema::Table& t) {
    QStringList cols;
    for (const schema::Field& f : t.fields)
        cols << QStringLiteral("\"%1\" %2")
                    .arg(QLatin1String(f.name), declaredType(f.kind, f.width));
    return QStringList{QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (%2);")
                           .arg(QLatin1String(t.name), cols.join(", "))} +
           indexStatements(t);
}

QStringList indexStatements(const schema::Table& t, const QStringList& only) {
    QString key;
    for (const schema::Field& f : t.fields)
        if (f.kind == K::Counter)
            key = QLatin1String(f.name);
    QStringList sql;
    for (const schema::Index& ix : t.indexes) {
        if (QLatin1String(ix.field) == key)
            continue; // the row id is its own index
        if (!only.isEmpty() && !only.contains(QLatin1String(ix.name), Qt::CaseInsensitive))
            continue;
        QString columns = QStringLiteral("\"%1\"").arg(QLatin1String(ix.field));
        if (ix.carried)
            for (const QString& f : QString::fromLatin1(ix.carried).split(','))
                columns += QStringLiteral(", \"%1\"").arg(f.trimmed());
        sql << QStringLiteral("CREATE INDEX IF NOT EXISTS \"%1\" ON \"%2\" (%3);")
                   .arg(QLatin1String(ix.name), QLatin1String(t.name), columns);
    }
    return sql;
}

QStringList indexNames(const schema::Table& t) {
    QStringList names;
    for (const schema::Field& f : t.fields)
        if (f.kind == K::Counter)
            for (const schema::Index& ix : t.indexes)
                if (QLatin1String(ix.field) != QLatin1String(f.name))
                    names << QLatin1String(ix.name);
    return names;
}

QString tableStatements(const schema::Table& t) {
    return tableStatementList(t).join('\n');
}

QStringList createStatementList() {
    QStringList sql{QStringLiteral("PRAGMA user_version = %1;").arg(schema::Version)};
    for (const schema::Table& t : schema::tables())
        sql << tableStatementList(t);
    return sql + textIndexStatements() + fileTriggerStatements();
}

QString createStatements() {
    return createStatementList().join('\n');
}

} // namespace store::sqlite
