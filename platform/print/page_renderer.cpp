// Drawing recorded pages: see page_renderer.h.

#include "page_renderer.h"

#include "twips.h"

#include <QPaintDevice>
#include <QPainter>

namespace print {

void renderPage(QPainter& painter, const RecordedDocument& doc, int pageIndex,
                double pixelsPerTwip) {
    if (pageIndex < 0 || pageIndex >= static_cast<int>(doc.pages.size()))
        return;
    // A point is 20 twips; on a device of D dots per inch a font of s points
    // is s*D/72 pixels tall. Scale the size so that it becomes
    // s*20*pixelsPerTwip pixels.
    const double dpi = painter.device()->logicalDpiY();
    const double sizeFactor = pixelsPerTwip * TwipsPerInch / dpi;
    std::vector<QFont> fonts;
    fonts.reserve(doc.fonts.size());
    for (const auto& f : doc.fonts) {
        QFont scaled = f.font;
        scaled.setPointSizeF(f.font.pointSizeF() * sizeFactor);
        fonts.push_back(scaled);
    }
    int current = -1;
    painter.setPen(Qt::black);
    for (const auto& item : doc.pages[static_cast<size_t>(pageIndex)].items) {
        if (item.font != current) {
            current = item.font;
            painter.setFont(fonts[static_cast<size_t>(current)]);
        }
        const double baseline = item.y + doc.fonts[static_cast<size_t>(current)].ascent;
        painter.drawText(QPointF(item.x * pixelsPerTwip, baseline * pixelsPerTwip), item.text);
    }
}

} // namespace print
