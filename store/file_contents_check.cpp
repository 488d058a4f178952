// Checking every stored file of a register (see file_contents_check.h).

#include "file_contents_check.h"

#include "connection.h"
#include "engine_error.h"

#include <QCryptographicHash>
#include <vector>

namespace store {

namespace {

constexpr int ChunksRead = 4; ///< chunks a statement reads

struct Content {
    qint64 contentPtr = 0;
    QString sha256;
    qint64 size = 0;
};

QString field(Connection& c, const char* name) {
    return c.escapeIdentifier(QLatin1String(name));
}

/// A name the content is attached under, for the message.
QString nameOf(Connection& c, qint64 contentPtr) {
    const auto st = c.prepareOwn(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4 ORDER BY %1")
                                     .arg(field(c, "Name"), field(c, "DocumentFiles"),
                                          field(c, "ContentPtr"), c.placeholder(1)),
                                 1);
    st->bind(1, QVariant(contentPtr));
    const QString name = st->step() ? st->column(0, schema::FieldKind::Text, true).toString()
                                    : QStringLiteral("(staged, not attached)");
    st->reset();
    return name;
}

[[noreturn]] void damaged(Connection& c, const Content& content, const QString& what) {
    throw EngineError(err::FileDamaged, QStringLiteral("the stored file '%1' (content %2) %3.")
                                            .arg(nameOf(c, content.contentPtr))
                                            .arg(content.contentPtr)
                                            .arg(what));
}

} // namespace

void checkFileContents(Connection& c) {
    if (!c.hasTable(QStringLiteral("FileContents")) || !c.hasTable(QStringLiteral("FileChunks")))
        return;
    std::vector<Content> contents;
    {
        const auto st =
            c.prepareOwn(QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %5 = 1 ORDER BY %1")
                             .arg(field(c, "ContentPtr"), field(c, "Sha256"), field(c, "Size"),
                                  field(c, "FileContents"), field(c, "Complete")),
                         0);
        while (st->step())
            contents.push_back({st->columnInt(0),
                                st->column(1, schema::FieldKind::Text, true).toString(),
                                st->columnInt(2)});
        st->reset();
    }
    const auto chunks = c.prepareOwn(
        QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 = %5 AND %1 >= %6 ORDER BY %1%7")
            .arg(field(c, "Seq"), field(c, "Data"), field(c, "FileChunks"), field(c, "ContentPtr"),
                 c.placeholder(1), c.placeholder(2), c.limitClause(ChunksRead)),
        2);
    for (const Content& content : contents) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        qint64 bytes = 0;
        qint64 seq = 0;
        for (int read = ChunksRead; read == ChunksRead;) {
            chunks->bind(1, QVariant(content.contentPtr));
            chunks->bind(2, QVariant(seq));
            read = 0;
            while (chunks->step()) {
                if (chunks->columnInt(0) != seq) {
                    chunks->reset();
                    damaged(c, content, QStringLiteral("misses its part %1").arg(seq));
                }
                const QByteArray data =
                    chunks->column(1, schema::FieldKind::Data, true).toByteArray();
                hash.addData(data);
                bytes += data.size();
                ++seq;
                ++read;
            }
            chunks->reset();
        }
        if (bytes != content.size)
            damaged(
                c, content,
                QStringLiteral("holds %1 bytes where %2 were stored").arg(bytes).arg(content.size));
        if (QString::fromLatin1(hash.result().toHex()) != content.sha256)
            damaged(c, content, QStringLiteral("does not match its SHA-256"));
    }
}

void dropStagedContents(Connection& c, std::vector<std::pair<QString, qint64>>& rows) {
    if (!c.hasTable(QStringLiteral("FileContents")) || !c.hasTable(QStringLiteral("FileChunks")))
        return;
    const QString staged =
        QStringLiteral("%1 IN (SELECT %1 FROM %2 WHERE %3 = 0)")
            .arg(field(c, "ContentPtr"), field(c, "FileContents"), field(c, "Complete"));
    const auto count = [&c](const QString& sql) {
        const auto st = c.prepareOwn(sql, 0);
        st->step();
        const qint64 n = st->columnInt(0);
        st->reset();
        return n;
    };
    const qint64 chunks = count(
        QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(field(c, "FileChunks"), staged));
    const qint64 contents = count(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = 0")
                                      .arg(field(c, "FileContents"), field(c, "Complete")));
    if (contents == 0 && chunks == 0)
        return;
    c.exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(field(c, "FileChunks"), staged));
    c.exec(QStringLiteral("DELETE FROM %1 WHERE %2 = 0")
               .arg(field(c, "FileContents"), field(c, "Complete")));
    for (auto& [table, n] : rows) {
        if (table.compare(QLatin1String("FileChunks"), Qt::CaseInsensitive) == 0)
            n -= chunks;
        else if (table.compare(QLatin1String("FileContents"), Qt::CaseInsensitive) == 0)
            n -= contents;
    }
}

} // namespace store
