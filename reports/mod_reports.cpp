// The column report: see mod_reports.h.

#include "mod_reports.h"

#include "platform/print/print_engine.h"

#include <cmath>
#include <stdexcept>

namespace reports {

qint16 roundToInt16(double value) {
    const double r = std::nearbyint(value); // the default rounding mode: halves to even
    if (!(r >= -32768.0 && r <= 32767.0))
        throw std::overflow_error("Overflow: a column position does not fit the page.");
    return static_cast<qint16>(r);
}

print::PrintEngine& modReports::engine() const {
    if (!oReportPrinter)
        throw std::logic_error("The report has no print engine: PageSetup was not called.");
    return *oReportPrinter;
}

ReportColumn& modReports::entry(std::array<ReportColumn, UpperBound + 1>& table, int index) {
    if (index < 0 || index > UpperBound)
        throw std::out_of_range("Subscript out of range: column " + std::to_string(index));
    return table[static_cast<size_t>(index)];
}

void modReports::PageSetup(print::PrintEngine& engine) {
    oReportPrinter = &engine;
    engine.setMarginLeft(QStringLiteral(".5in"));
    engine.setMarginRight(QStringLiteral(".5in"));
    engine.setMarginTop(QStringLiteral(".5in"));
    engine.setMarginBottom(QStringLiteral(".5in"));
    engine.startDoc();
    engine.setPreview(true);
    if (engine.fontName().trimmed().toUpper() != QLatin1String("ARIAL"))
        engine.setFontName(QStringLiteral("Arial"));
    if (std::llround(engine.fontSize() * 10000.0) != 100000) {
        engine.setFontSize(10);
        engine.setFontName(QStringLiteral("Arial"));
    }
    ResetColumns();
}

void modReports::ResetColumns() {
    iColumnCount = 0;
    for (int i = 1; i <= UpperBound; ++i)
        aReportColumns[static_cast<size_t>(i)] = aReportColumns[0];
}

void modReports::DefineColumn(qint16 index, qint16 width, const QString& heading) {
    ReportColumn& c = entry(aReportColumns, index);
    c.Width = static_cast<qint16>(std::abs(width));
    c.RightAligned = width < 0;
    c.Heading[1] = QString();
    c.Heading[2] = QString();
    c.Heading[3] = heading; // headings are bottom-aligned
    ++iColumnCount;
    c.Sequence = iColumnCount;
}

float modReports::fnColumnTextWidth(qint16 width, bool rightAligned) const {
    const QString sample(width, rightAligned ? QLatin1Char('0') : QLatin1Char('x'));
    return static_cast<float>(engine().textWidth(sample));
}

void modReports::LayoutColumns() {
    print::PrintEngine& e = engine();
    const float avail = static_cast<float>(e.pageWidth() - e.marginLeft() - e.marginRight());
    float total = 0;
    int n = 0;
    for (int i = 1; i <= UpperBound; ++i) {
        const ReportColumn& c = aReportColumns[static_cast<size_t>(i)];
        if (c.Width != 0) {
            total += fnColumnTextWidth(c.Width, c.RightAligned);
            ++n;
        }
    }
    if (n == 0)
        return;
    float gap = 0;
    float start = 0;
    if (avail * 0.75f < total) {
        // The columns fill most of the line: spread them from margin to margin.
        gap = n > 1 ? (avail - total) / static_cast<float>(n - 1) : 0.0f;
        start = static_cast<float>(e.marginLeft());
    } else {
        gap = (avail - total) / static_cast<float>(n + 1);
        const float xxx = static_cast<float>(e.textWidth(QStringLiteral("XXX")));
        if (xxx < gap) {
            // Keep the columns together and centre the block.
            gap = xxx;
            start = static_cast<float>(e.marginLeft()) +
                    (avail - total - static_cast<float>(n - 1) * gap) / 2.0f;
        } else {
            start = gap + 1.0f;
        }
    }
    for (int k = 1; k <= UpperBound; ++k) {
        for (int i = 1; i <= UpperBound; ++i) {
            ReportColumn& c = aReportColumns[static_cast<size_t>(i)];
            if (c.Sequence != k)
                continue;
            if (c.Width != 0) {
                const float measured = fnColumnTextWidth(c.Width, c.RightAligned);
                c.X = roundToInt16(c.RightAligned ? start + measured : start);
                start = start + measured + gap;
            }
            break;
        }
    }
}

void modReports::PrintHeaderLine(const QString& left, const QString& centre, const QString& right) {
    print::PrintEngine& e = engine();
    EndLine();
    PrintAt(1, left);
    PrintAt((e.pageWidth() - e.textWidth(centre)) / 2, centre);
    PrintAt(e.pageWidth() - e.textWidth(right) - e.marginRight(), right);
    EndLine();
}

void modReports::PrintColumnHeadings() {
    print::PrintEngine& e = engine();
    for (int line = 1; line <= 3; ++line) {
        e.setFontUnderline(line == 3);
        for (int i = 1; i <= UpperBound; ++i) {
            const ReportColumn& c = aReportColumns[static_cast<size_t>(i)];
            if (c.Width == 0)
                continue;
            const QString& text = c.Heading[static_cast<size_t>(line)];
            PrintAt(c.RightAligned ? c.X - e.textWidth(text) : c.X, text);
        }
        EndLine();
    }
    e.setFontUnderline(false);
    EndLine();
}

void modReports::PrintCell(qint16 index, const QVariant& value) {
    const ReportColumn& c = entry(aReportColumns, index);
    QString text = value.isValid() && !value.isNull() ? value.toString() : QString();
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    text.truncate(end);
    PrintAt(c.RightAligned ? c.X - engine().textWidth(text) : c.X, text);
}

void modReports::PrintAt(double x, const QString& text) {
    print::PrintEngine& e = engine();
    e.setCurrentX(x);
    e.setText(text);
}

void modReports::EndLine() {
    engine().setText(QStringLiteral("\n"));
}

bool modReports::fnPageFull() const {
    const print::PrintEngine& e = engine();
    return e.currentY() > e.pageHeight() * 0.93;
}

double modReports::fnPageWidth() const {
    return engine().pageWidth();
}

} // namespace reports
