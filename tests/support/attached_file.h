#pragma once
// Attaches a file to a filed document the way the editor's Update does
// (staged, then filed with the document in one step), for tests that need
// a document with files; and a picture of a scanned page with a few words
// on it. Header only.

#include "store/document_filing.h"
#include "store/recordset.h"
#include "store/type_lookups.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace testsupport {

/// Files `bytes` as `name` with the document `recordPtr` (which must have
/// a date: the filing checks it), keeping its other fields.
inline void attachFile(const store::Database& db, qint64 recordPtr, const QString& name,
                       const QByteArray& bytes) {
    QBuffer data;
    data.setData(bytes);
    data.open(QIODevice::ReadOnly);
    const store::StagedFile staged = store::stageFile(db, data, name);
    auto rs = db.openRecordset(
        QStringLiteral("SELECT * FROM Documents WHERE RecordPtr = %1").arg(recordPtr),
        store::RecordsetType::Dynaset);
    rs->edit();
    store::DocumentEntry entry;
    entry.id = rs->field(QStringLiteral("ID")).toString();
    entry.description = rs->field(QStringLiteral("Description")).toString();
    entry.date = rs->field(QStringLiteral("Date")).toDate();
    if (const int type = rs->field(QStringLiteral("DocumentType")).toInt(); type != 0)
        entry.type = store::fnTypeName(db, static_cast<qint16>(type)).trimmed();
    entry.who = rs->field(QStringLiteral("Who")).toString();
    entry.note = rs->field(QStringLiteral("Note")).toString();
    entry.attach = {staged};
    const store::FilingResult filed = store::fileDocument(*rs, entry);
    store::releaseStaged(db, staged);
    ASSERT_EQ(filed.outcome, store::Filing::Stored) << filed.failure.toStdString();
}

/// A scanned page: white, with `lines` of text in a typewriter's font, as
/// PNG.
inline QByteArray scannedPage(const QStringList& lines) {
    QImage page(620, 877, QImage::Format_RGB32);
    page.fill(QColor(250, 250, 246));
    QPainter p(&page);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(30);
    p.setFont(font);
    p.setPen(QColor(30, 30, 40));
    int y = 90;
    for (const QString& line : lines) {
        p.drawText(40, y, line);
        y += line.isEmpty() ? 30 : 60;
    }
    p.drawLine(60, y + 10, 560, y + 10);
    p.end();
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    page.save(&out, "PNG");
    return png;
}

} // namespace testsupport
