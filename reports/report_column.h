#pragma once
// One entry of the column report's column table (see mod_reports.h): where
// the column goes, how it is aligned, its heading lines and its width in
// characters. An entry whose Width is 0 is not in use.

#include <QString>
#include <QtGlobal>
#include <array>

namespace reports {

struct ReportColumn {
    qint16 X = 0;              ///< left edge (left-aligned) or right edge (right-aligned), twips
    bool RightAligned = false; ///< defined with a negative width
    std::array<QString, 4> Heading; ///< heading lines 1 to 3 top to bottom; 0 unused
    qint16 Width = 0;               ///< width in characters; 0 = entry not in use
    qint16 Sequence = 0;            ///< definition order since the last reset, from 1
};

} // namespace reports
