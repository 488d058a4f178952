#pragma once
// The printable area of a page that no printer stands behind: a PDF file
// and the preview. A printer cannot ink the very edge of the sheet, and the
// positions a document is laid out in start at the corner of the area it
// can print. A PDF page and a preview page get the same kind of area, a
// quarter inch in from each edge, so that text laid out near position 0 (the
// report's header starts at 1) stays clear of the edge there too, also when
// the PDF is printed on paper. The page itself stays the whole sheet.

namespace print {

/// The unprintable band along each edge of a PDF or preview page: a quarter
/// inch, in twips. Position 0 lies this far in from the left and top edges.
inline constexpr double UnprintableEdge = 360.0;

} // namespace print
