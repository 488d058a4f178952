#pragma once
// Files the reading tests make: a PDF with a text layer, pictures with a
// word drawn large, and hostile files.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

namespace made {

inline bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// A picture of `word` in large black letters on white, as a scanner at
/// 300 dpi would give it.
inline QImage wordPicture(const QString& word) {
    QImage image(1800, 500, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    QPainter painter(&image);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(140);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, word);
    return image;
}

/// A PDF of `pages` A4 pages: page n says `text` and its number; with
/// `scanned`, the first page is a picture of the word instead of text.
inline bool pdf(const QString& path, const QString& text, int pages = 1, bool scanned = false) {
    QPdfWriter writer(path);
    writer.setResolution(300);
    QPainter painter(&writer);
    if (!painter.isActive())
        return false;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(14);
    painter.setFont(font);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        if (page == 0 && scanned)
            painter.drawImage(QRect(100, 100, 1800, 500), wordPicture(text));
        else
            painter.drawText(QPointF(200, 300), text + QStringLiteral(" page %1").arg(page + 1));
    }
    return painter.end();
}

/// A raw deflate stream (no zlib header or check) of `size` zero bytes.
inline QByteArray deflatedZeros(qsizetype size) {
    const QByteArray zlib = qCompress(QByteArray(size, '\0'), 9);
    // qCompress puts a 4-byte length before the zlib stream.
    return zlib.mid(4 + 2, zlib.size() - 4 - 2 - 4);
}

/// A zip archive of one member that inflates to `size` zero bytes.
inline QByteArray zipBomb(qsizetype size) {
    const QByteArray data = deflatedZeros(size);
    const auto le32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    const QByteArray name("zeros.bin");
    QByteArray zip("PK\x03\x04\x14\x00\x00\x00\x08\x00\x00\x00\x00\x00", 14);
    zip += le32(0) + le32(quint32(data.size())) + le32(quint32(size));
    zip += QByteArray("\x09\x00\x00\x00", 4) + name + data;
    return zip;
}

} // namespace made
