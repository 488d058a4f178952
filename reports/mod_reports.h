#pragma once
// modReports: the column report over the print engine. A run calls
// PageSetup (margins, document start, Arial 10, cleared columns), defines
// its columns with DefineColumn (a negative width means right-aligned),
// spaces them with LayoutColumns, then prints header lines, headings and
// cells, ending each line with EndLine and asking fnPageFull after each.
//
// Column spacing (LayoutColumns): when the columns take more than three
// quarters of the printable width they start at the left margin and the
// rest is shared equally between the gaps; otherwise they are kept
// together, a gap of the width of "XXX" apart, and the block is centred
// between the margins. Positions are rounded to whole twips, halves to
// even, and must fit 16 bits.
//
// Errors: an index outside 0..40 raises std::out_of_range, a position that
// does not fit 16 bits std::overflow_error; engine failures pass through as
// print::PrintError. Cost: one text measurement per cell of a right-aligned
// column, none for left-aligned ones.

#include "report_column.h"

#include <QVariant>
#include <array>

namespace print {
class PrintEngine;
}

namespace reports {

class modReports {
public:
    static constexpr int UpperBound = 40; ///< highest column index

    void PageSetup(print::PrintEngine& engine);
    void ResetColumns();
    void DefineColumn(qint16 index, qint16 width, const QString& heading);
    void LayoutColumns();
    float fnColumnTextWidth(qint16 width, bool rightAligned) const;
    void PrintHeaderLine(const QString& left, const QString& centre, const QString& right);
    void PrintColumnHeadings();
    void PrintCell(qint16 index, const QVariant& value);
    void PrintAt(double x, const QString& text);
    void EndLine();
    bool fnPageFull() const;
    double fnPageWidth() const;

    /// Entry 0 stays blank: it is what ResetColumns copies over the others.
    std::array<ReportColumn, UpperBound + 1> aReportColumns{};
    qint16 iColumnCount = 0;                      ///< columns defined since the last reset
    print::PrintEngine* oReportPrinter = nullptr; ///< the engine of the run; set by PageSetup

private:
    print::PrintEngine& engine() const;
    static ReportColumn& entry(std::array<ReportColumn, UpperBound + 1>& table, int index);
};

/// A number rounded to the nearest 16-bit integer, halves to even; raises
/// std::overflow_error outside -32768..32767.
qint16 roundToInt16(double value);

} // namespace reports
