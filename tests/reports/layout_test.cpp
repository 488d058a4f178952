// Column layout of the report on a Letter page with .5in margins: the two
// spacing cases (a centred block a gap of "XXX" apart; columns spread from
// margin to margin when they fill more than three quarters of the line),
// the narrow case that starts at gap + 1, columns placed in definition
// order whatever their index, the font rule of page set-up, rounding, and
// the column table's bounds.

#include "platform/print/print_engine.h"
#include "reports/mod_reports.h"

#include <QPageSize>
#include <QPrinter>
#include <cmath>
#include <gtest/gtest.h>

using reports::modReports;

namespace {

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        engine.printer().setPageSize(QPageSize(QPageSize::Letter));
        engine.printer().setPageOrientation(QPageLayout::Portrait);
        report.PageSetup(engine);
    }
    /// Left and right edge of a laid-out column.
    std::pair<double, double> edges(int index) const {
        const auto& c = report.aReportColumns[static_cast<size_t>(index)];
        const double w = report.fnColumnTextWidth(c.Width, c.RightAligned);
        return c.RightAligned ? std::pair{c.X - w, double(c.X)} : std::pair{double(c.X), c.X + w};
    }
    void defineAll() {
        report.DefineColumn(1, -6, QStringLiteral("ID"));
        report.DefineColumn(2, 32, QStringLiteral("Description"));
        report.DefineColumn(3, 10, QStringLiteral("Type"));
        report.DefineColumn(4, -10, QStringLiteral("Date"));
        report.DefineColumn(5, 32, QStringLiteral("Who"));
    }
    print::PrintEngine engine;
    modReports report;
};

} // namespace

TEST_F(Layout, TwoColumnsAreCentredTheWidthOfXXXApart) {
    report.DefineColumn(1, -6, QStringLiteral("ID"));
    report.DefineColumn(2, 32, QStringLiteral("Description"));
    report.LayoutColumns();
    const auto [idLeft, idRight] = edges(1);
    const auto [descLeft, descRight] = edges(2);
    const double xxx = engine.textWidth(QStringLiteral("XXX"));
    EXPECT_NEAR(descLeft - idRight, xxx, 1.0);
    const double spaceLeft = idLeft - 720;
    const double spaceRight = (12240 - 720) - descRight;
    EXPECT_GT(spaceLeft, 2000); // a real block in the middle, not a stretched line
    EXPECT_NEAR(spaceLeft, spaceRight, 1.5);
}

TEST_F(Layout, AllFiveColumnsSpreadFromMarginToMargin) {
    defineAll();
    report.LayoutColumns();
    const double avail = 12240 - 2 * 720;
    double total = 0;
    for (int i = 1; i <= 5; ++i)
        total += edges(i).second - edges(i).first;
    ASSERT_GT(total, 0.75 * avail); // the case under test
    EXPECT_NEAR(edges(1).first, 720, 0.5);
    EXPECT_NEAR(edges(5).second, 12240 - 720, 2.5); // rounding of five positions
    const double firstGap = edges(2).first - edges(1).second;
    EXPECT_NEAR(firstGap, (avail - total) / 4, 1.0);
    for (int i = 2; i < 5; ++i)
        EXPECT_NEAR(edges(i + 1).first - edges(i).second, firstGap, 1.0) << "gap after " << i;
}

TEST_F(Layout, DateWithoutTypeIsTheThirdColumnStillAddressedAsFour) {
    report.DefineColumn(1, -6, QStringLiteral("ID"));
    report.DefineColumn(2, 32, QStringLiteral("Description"));
    report.DefineColumn(4, -10, QStringLiteral("Date"));
    report.LayoutColumns();
    EXPECT_EQ(report.aReportColumns[4].Sequence, 3);
    EXPECT_EQ(report.aReportColumns[3].Width, 0);
    EXPECT_GT(edges(4).first, edges(2).second);
    EXPECT_NEAR(edges(4).first - edges(2).second, engine.textWidth(QStringLiteral("XXX")), 1.0);
}

TEST_F(Layout, ColumnsRunInDefinitionOrderNotIndexOrder) {
    report.DefineColumn(5, 10, QStringLiteral("First"));
    report.DefineColumn(1, 10, QStringLiteral("Second"));
    report.LayoutColumns();
    EXPECT_LT(report.aReportColumns[5].X, report.aReportColumns[1].X);
}

TEST_F(Layout, NarrowGapStartsAtGapPlusOneLeftOfTheMargin) {
    // Ten one-letter columns on a 2.5in line: the leftover per gap is less
    // than "XXX", so the block starts at gap + 1 (from position 0).
    engine.setMarginLeft(QStringLiteral("3in"));
    engine.setMarginRight(QStringLiteral("3in"));
    for (qint16 i = 1; i <= 10; ++i)
        report.DefineColumn(i, 1, QStringLiteral("c"));
    report.LayoutColumns();
    const double avail = 12240 - 2 * 4320;
    const double total = 10 * engine.textWidth(QStringLiteral("x"));
    const double gap = (avail - total) / 11;
    ASSERT_LE(engine.textWidth(QStringLiteral("XXX")), gap * 2); // sanity of the setup
    ASSERT_GE(engine.textWidth(QStringLiteral("XXX")), gap);
    EXPECT_EQ(report.aReportColumns[1].X, static_cast<qint16>(std::nearbyint(gap + 1)));
    EXPECT_LT(report.aReportColumns[1].X, 4320);
}

TEST(Rounding, HalvesToEvenAndSixteenBitRange) {
    struct Case {
        double in;
        qint16 out;
    } cases[] = {{2.5, 2},        {3.5, 4},        {-2.5, -2},
                 {1234.49, 1234}, {1234.51, 1235}, {32767.4, 32767}};
    for (const auto& c : cases)
        EXPECT_EQ(reports::roundToInt16(c.in), c.out) << c.in;
    EXPECT_THROW(reports::roundToInt16(32767.5), std::overflow_error);
    EXPECT_THROW(reports::roundToInt16(-40000), std::overflow_error);
}

TEST_F(Layout, DefineColumnFillsTheEntryAndResetClearsIt) {
    report.DefineColumn(4, -10, QStringLiteral("Date"));
    const auto& c = report.aReportColumns[4];
    EXPECT_TRUE(c.RightAligned);
    EXPECT_EQ(c.Width, 10);
    EXPECT_EQ(c.Heading[1], QString());
    EXPECT_EQ(c.Heading[2], QString());
    EXPECT_EQ(c.Heading[3], QStringLiteral("Date"));
    EXPECT_EQ(c.Sequence, 1);
    EXPECT_THROW(report.DefineColumn(41, 5, QStringLiteral("x")), std::out_of_range);
    EXPECT_THROW(report.DefineColumn(-1, 5, QStringLiteral("x")), std::out_of_range);
    report.ResetColumns();
    EXPECT_EQ(report.iColumnCount, 0);
    EXPECT_EQ(report.aReportColumns[4].Width, 0);
    EXPECT_EQ(report.aReportColumns[4].Heading[3], QString());
}

TEST_F(Layout, ColumnWidthsAreMeasuredInDigitsOrLetters) {
    EXPECT_NEAR(report.fnColumnTextWidth(6, true), engine.textWidth(QStringLiteral("000000")),
                0.01);
    EXPECT_NEAR(report.fnColumnTextWidth(32, false),
                engine.textWidth(QString(32, QLatin1Char('x'))), 0.01);
}

TEST(FontRule, ArialTenIsForcedAtPageSetup) {
    struct Case {
        const char* name;
        double size;
        const char* nameAfter;
        double sizeAfter;
    } cases[] = {
        {"Times New Roman", 12, "Arial", 10},
        {"  arial ", 10, "  arial ", 10},
        {"ARIAL", 11, "Arial", 10},
        {"Courier New", 10, "Arial", 10},
        {"Arial", 10.00004, "Arial", 10.00004},
        {"arial", 9.9999, "Arial", 10},
    };
    for (const auto& c : cases) {
        print::PrintEngine engine;
        engine.setFontName(QString::fromLatin1(c.name));
        engine.setFontSize(c.size);
        modReports report;
        report.PageSetup(engine);
        EXPECT_EQ(engine.fontName(), QString::fromLatin1(c.nameAfter)) << c.name << " " << c.size;
        EXPECT_DOUBLE_EQ(engine.fontSize(), c.sizeAfter) << c.name << " " << c.size;
        EXPECT_DOUBLE_EQ(engine.marginLeft(), 720);
        EXPECT_DOUBLE_EQ(engine.marginBottom(), 720);
        EXPECT_EQ(engine.currentPage(), 1);
        EXPECT_TRUE(engine.preview());
    }
}
