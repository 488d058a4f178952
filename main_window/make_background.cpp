// make_background FILE: draws the main window's background picture, a
// quiet paper-coloured wash with faint ruled lines and a filing-card edge,
// and writes it as PNG. Run by the build (QtGui, no display needed).

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_background FILE\n");
        return 2;
    }
    QImage img(561, 364, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wash(0, 0, 561, 364);
    wash.setColorAt(0.0, QColor(0xf4, 0xef, 0xe1));
    wash.setColorAt(1.0, QColor(0xdc, 0xe4, 0xe8));
    p.fillRect(img.rect(), wash);
    QRadialGradient glow(420, 90, 260);
    glow.setColorAt(0.0, QColor(255, 255, 255, 110));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(img.rect(), glow);
    p.setPen(QPen(QColor(0x9c, 0xb4, 0xc8, 60), 1));
    for (int y = 24; y < 364; y += 18)
        p.drawLine(0, y, 561, y);
    p.setPen(QPen(QColor(0xc8, 0x6e, 0x64, 70), 2));
    p.drawLine(36, 0, 36, 364);
    p.end();
    return img.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
