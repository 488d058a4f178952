#pragma once
// What the print engine keeps of a document: per page a list of text items
// placed in twips from position 0 (see print_job.h for where that lies on
// the paper), and a table of the fonts they use. Recording text instead of
// pixels lets one document be shown in the preview at any zoom and sent to
// any printer at its own resolution. A page of the column report holds
// about 300 items (some 20 KB).

#include <QFont>
#include <QString>
#include <vector>

namespace print {

/// One run of text on one line, in one font.
struct TextItem {
    double x = 0; ///< left edge, twips right of position 0
    double y = 0; ///< top of the line, twips below position 0
    int font = 0; ///< index into RecordedDocument::fonts
    QString text; ///< the text, without line feeds
};

/// A font as recorded: the font itself (point size is the printed size) and
/// its measurements in twips, so renderers need not measure again.
struct RecordedFont {
    QFont font;
    double ascent = 0; ///< baseline below the line's top, twips
};

struct RecordedPage {
    std::vector<TextItem> items; ///< in the order they were written
};

struct RecordedDocument {
    double pageWidth = 0;  ///< paper width in twips
    double pageHeight = 0; ///< paper height in twips
    std::vector<RecordedFont> fonts;
    std::vector<RecordedPage> pages;
};

} // namespace print
