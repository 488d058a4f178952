#pragma once
// Draws one recorded page onto any painter (a preview canvas, a printer, a
// PDF) at a given scale. The painter's origin is where position 0 lies on
// the page (see printable_area.h); `pixelsPerTwip` maps twips to the
// painter's device pixels. Fonts
// are sized for that device so that text keeps its printed size relative to
// the page at every zoom. Cost: one drawText per item.

#include "recorded_page.h"

class QPainter;

namespace print {

void renderPage(QPainter& painter, const RecordedDocument& doc, int pageIndex,
                double pixelsPerTwip);

} // namespace print
