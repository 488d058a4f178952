// make_icon FILE: draws the program's 64x64 icon, a filing card with ruled
// lines and a coloured tab, and writes it as PNG. Run by the build (QtGui,
// no display needed); the desktop entry names it "arkelby".

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon FILE\n");
        return 2;
    }
    constexpr int size = 64;
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // The card's tab, then the card itself.
    QPainterPath tab;
    tab.addRoundedRect(QRectF(10, 6, 22, 12), 3, 3);
    p.fillPath(tab, QColor(0xc8, 0x6e, 0x64));
    QPainterPath card;
    card.addRoundedRect(QRectF(4, 12, 56, 46), 5, 5);
    p.fillPath(card, QColor(0xf4, 0xef, 0xe1));
    p.setPen(QPen(QColor(0x4a, 0x5e, 0x70), 2));
    p.drawPath(card);

    // Ruled lines and a margin, as on the main window's background.
    p.setPen(QPen(QColor(0x9c, 0xb4, 0xc8), 2));
    for (int y = 26; y <= 50; y += 8)
        p.drawLine(18, y, 52, y);
    p.setPen(QPen(QColor(0xc8, 0x6e, 0x64), 2));
    p.drawLine(13, 18, 13, 54);
    p.end();
    return img.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
