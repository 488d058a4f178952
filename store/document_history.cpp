// Entries of the document history (see document_history.h).

#include "document_history.h"

#include "connection.h"
#include "document_files.h"
#include "local_user.h"
#include "recordset.h"
#include "type_lookups.h"
#include "value.h"

#include <QStringList>
#include <vector>

namespace store {

namespace {

struct Entry {
    QVariant field; ///< Null for an Add or a Delete
    QVariant oldValue;
    QVariant newValue;
};

/// A value as the history shows it: dates m/d/yyyy, texts as they are.
QVariant shown(const QVariant& v) {
    if (isNull(v))
        return {};
    if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
        return dateOf(v).toString(QStringLiteral("M/d/yyyy"));
    return v.toString();
}

QVariant typeName(const Database& db, qint16 type) {
    if (type == 0)
        return {};
    const QString name = fnTypeName(db, type);
    return name.isEmpty() ? QVariant(QString::number(type)) : QVariant(name.trimmed());
}

/// Writes the entries in one statement.
void write(const Database& db, qint64 recordPtr, const QVariant& id, const QString& action,
           const std::vector<Entry>& entries) {
    if (entries.empty())
        return;
    Connection& c = *db.connection();
    QStringList names;
    for (const char* field : {"Changed", "UserName", "Computer", "RecordPtr", "ID", "Action",
                              "Field", "OldValue", "NewValue"})
        names << c.escapeIdentifier(QLatin1String(field));
    QStringList rows;
    int n = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        QStringList marks;
        for (qsizetype k = 0; k < names.size(); ++k)
            marks << c.placeholder(++n);
        rows << QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    const auto st =
        c.prepareOwn(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                         .arg(c.escapeIdentifier(QStringLiteral("DocumentHistory")),
                              names.join(QStringLiteral(", ")), rows.join(QStringLiteral(", "))),
                     n);
    // Local time, seconds only: what a user's clock showed.
    const QDateTime now = QDateTime::currentDateTime();
    const QVariant when =
        makeDate(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    n = 0;
    for (const Entry& e : entries) {
        for (const QVariant& v :
             {when, QVariant(localLogin()), QVariant(localComputer()), QVariant(recordPtr), id,
              QVariant(action), e.field, e.oldValue, e.newValue})
            st->bind(++n, v);
    }
    st->step();
}

} // namespace

DocumentFields documentFields(const Recordset& rs) {
    DocumentFields f;
    f.id = rs.field(QStringLiteral("ID"));
    f.description = rs.field(QStringLiteral("Description"));
    f.type = static_cast<qint16>(rs.field(QStringLiteral("DocumentType")).toInt());
    f.date = rs.field(QStringLiteral("Date"));
    f.who = rs.field(QStringLiteral("Who"));
    f.note = rs.field(QStringLiteral("Note"));
    return f;
}

DocumentFields storedDocumentFields(const Database& db, qint64 recordPtr) {
    query::Select q{QStringLiteral("Documents")};
    const auto rs =
        db.openRecordset(q.where({QStringLiteral("RecordPtr"), query::Op::Equal, recordPtr}),
                         RecordsetType::Snapshot);
    return rs->eof() ? DocumentFields{} : documentFields(*rs);
}

void historyAdded(const Database& db, qint64 recordPtr, const DocumentFields& now) {
    if (db.connection()->hasFeature(Feature::RecordsHistoryItself))
        return;
    write(db, recordPtr, now.id, QStringLiteral("Added"), {{{}, {}, shown(now.description)}});
}

void historyDeleted(const Database& db, qint64 recordPtr, const DocumentFields& gone) {
    if (db.connection()->hasFeature(Feature::RecordsHistoryItself))
        return;
    write(db, recordPtr, gone.id, QStringLiteral("Deleted"), {{{}, shown(gone.description), {}}});
}

QString historyFileText(const QString& name, qint64 size, const QString& sha256) {
    return QStringLiteral("%1 (%2 bytes, SHA-256 %3)").arg(name).arg(size).arg(sha256);
}

void historyFile(const Database& db, qint64 recordPtr, const QVariant& id, bool attached,
                 const QString& shown) {
    if (db.connection()->hasFeature(Feature::RecordsHistoryItself))
        return;
    write(db, recordPtr, id,
          attached ? QStringLiteral("File attached") : QStringLiteral("File removed"),
          {{QStringLiteral("File"), attached ? QVariant() : QVariant(shown),
            attached ? QVariant(shown) : QVariant()}});
}

void historyFilesGoing(const Database& db, qint64 recordPtr) {
    if (db.connection()->hasFeature(Feature::RecordsHistoryItself))
        return;
    const std::vector<StoredFile> files = documentFiles(db, recordPtr);
    if (files.empty())
        return;
    const QVariant id = storedDocumentFields(db, recordPtr).id;
    std::vector<Entry> entries;
    for (const StoredFile& f : files)
        entries.push_back(
            {QStringLiteral("File"), historyFileText(f.name, f.size, f.sha256), QVariant()});
    write(db, recordPtr, id, QStringLiteral("File removed"), entries);
}

void historyChanged(const Database& db, qint64 recordPtr, const DocumentFields& before,
                    const DocumentFields& after) {
    if (db.connection()->hasFeature(Feature::RecordsHistoryItself))
        return;
    std::vector<Entry> entries;
    const auto compare = [&](const char* field, const QVariant& a, const QVariant& b) {
        const QVariant was = shown(a);
        const QVariant is = shown(b);
        if (isNull(was) != isNull(is) || was.toString() != is.toString())
            entries.push_back({QString::fromLatin1(field), was, is});
    };
    compare("ID", before.id, after.id);
    compare("Description", before.description, after.description);
    if (before.type != after.type)
        entries.push_back(
            {QStringLiteral("Type"), typeName(db, before.type), typeName(db, after.type)});
    compare("Date", before.date, after.date);
    compare("Who", before.who, after.who);
    compare("Note", before.note, after.note);
    write(db, recordPtr, after.id, QStringLiteral("Changed"), entries);
}

} // namespace store
