// The names of many documents' files at a time (see document_file_names.h).

#include "document_file_names.h"

#include "connection.h"

namespace store {

std::unordered_map<qint64, QStringList> documentFileNames(const Database& db,
                                                          std::span<const qint64> recordPtrs) {
    std::unordered_map<qint64, QStringList> names;
    Connection& c = *db.connection();
    const QString table = QStringLiteral("DocumentFiles");
    if (recordPtrs.empty() || !c.hasTable(table))
        return names;
    QStringList marks;
    for (size_t i = 1; i <= recordPtrs.size(); ++i)
        marks << c.placeholder(static_cast<int>(i));
    const auto st = c.prepareOwn(
        QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 IN (%4) ORDER BY %1, %2, %5")
            .arg(c.escapeIdentifier(QStringLiteral("RecordPtr")),
                 c.escapeIdentifier(QStringLiteral("Name")), c.escapeIdentifier(table),
                 marks.join(QStringLiteral(", ")), c.escapeIdentifier(QStringLiteral("FilePtr"))),
        static_cast<int>(recordPtrs.size()));
    int n = 0;
    for (const qint64 recordPtr : recordPtrs)
        st->bind(++n, QVariant(recordPtr));
    while (st->step())
        names[st->columnInt(0)] << st->column(1, schema::FieldKind::Text, true).toString();
    st->reset();
    return names;
}

} // namespace store
