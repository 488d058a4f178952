// The print engine: length texts for margins, text recorded at the current
// position with line feeds and page breaks, the preview switch deciding the
// destination at document start, printing to a PDF file, position 0 a
// quarter inch in from the sheet's edges on a PDF page and in the preview
// (both rendered to images), cancelling a job from the progress callback,
// and a printer that cannot be started.

#include "platform/print/print_engine.h"
#include "platform/print/print_error.h"
#include "platform/print/print_job.h"
#include "platform/print/twips.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QScrollArea>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using print::PrintEngine;

TEST(Twips, LengthTexts) {
    struct Case {
        const char* text;
        double twips;
    } cases[] = {{".5in", 720},        {"1in", 1440},         {" 0.5IN ", 720},
                 {"1cm", 1440 / 2.54}, {"10mm", 1440 / 2.54}, {"72pt", 1440},
                 {"720", 720},         {"720tw", 720},        {"0", 0}};
    for (const auto& c : cases) {
        const auto got = print::parseTwips(QString::fromLatin1(c.text));
        ASSERT_TRUE(got.has_value()) << c.text;
        EXPECT_NEAR(*got, c.twips, 1e-9) << c.text;
    }
    for (const char* bad : {"", "in", "-1in", "1 inch", "1,5in", "abc", "1in2"})
        EXPECT_FALSE(print::parseTwips(QString::fromLatin1(bad)).has_value()) << bad;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        engine.printer().setPageSize(QPageSize(QPageSize::Letter));
        engine.printer().setPageOrientation(QPageLayout::Portrait);
        engine.setMarginLeft(QStringLiteral(".5in"));
        engine.setMarginTop(QStringLiteral(".5in"));
        engine.setMarginBottom(QStringLiteral(".5in"));
        engine.setFontName(QStringLiteral("Arial"));
        engine.setFontSize(10);
    }
    const print::RecordedPage& page(int i) const {
        return engine.document().pages.at(static_cast<size_t>(i));
    }
    PrintEngine engine;
};

TEST_F(Engine, MarginsAndPageReadBackInTwipsAndBadTextIsRefused) {
    engine.setMarginRight(QStringLiteral("1cm"));
    EXPECT_DOUBLE_EQ(engine.marginLeft(), 720);
    EXPECT_NEAR(engine.marginRight(), 566.93, 0.01);
    EXPECT_THROW(engine.setMarginRight(QStringLiteral("wide")), print::PrintError);
    EXPECT_NEAR(engine.marginRight(), 566.93, 0.01); // unchanged by the refused text
    EXPECT_NEAR(engine.pageWidth(), 12240, 1);       // Letter
    EXPECT_NEAR(engine.pageHeight(), 15840, 1);
}

TEST_F(Engine, TextIsWrittenAtThePositionAndLineFeedEndsTheLine) {
    engine.startDoc();
    EXPECT_EQ(engine.currentPage(), 1);
    EXPECT_DOUBLE_EQ(engine.currentY(), 720);
    engine.setCurrentX(3000);
    engine.setText(QStringLiteral("abc"));
    const double width = engine.textWidth(QStringLiteral("abc"));
    EXPECT_GT(width, 200);
    EXPECT_NEAR(engine.currentX(), 3000 + width, 1e-6); // the line is not ended
    engine.setText(QStringLiteral("\nxy\n"));
    EXPECT_DOUBLE_EQ(engine.currentX(), 720);
    EXPECT_NEAR(engine.currentY(), 720 + 2 * engine.lineHeight(), 1e-6);
    ASSERT_EQ(page(0).items.size(), 2u);
    EXPECT_EQ(page(0).items[0].text, QStringLiteral("abc"));
    EXPECT_DOUBLE_EQ(page(0).items[0].x, 3000);
    EXPECT_EQ(page(0).items[1].text, QStringLiteral("xy"));
    EXPECT_DOUBLE_EQ(page(0).items[1].x, 720);
    EXPECT_NEAR(page(0).items[1].y, 720 + engine.lineHeight(), 1e-6);
    // Arial 10 is about 11.5 points a line.
    EXPECT_NEAR(engine.lineHeight(), 230, 15);
}

TEST_F(Engine, WidthFollowsFontSizeAndUnderlineIsRecorded) {
    const double at10 = engine.textWidth(QStringLiteral("Description"));
    engine.setFontSize(20);
    EXPECT_NEAR(engine.textWidth(QStringLiteral("Description")), 2 * at10, at10 * 0.02);
    engine.setFontSize(10);
    engine.startDoc();
    engine.setFontUnderline(true);
    engine.setText(QStringLiteral("ID"));
    engine.setFontUnderline(false);
    engine.setText(QStringLiteral("x"));
    const auto& fonts = engine.document().fonts;
    EXPECT_TRUE(fonts.at(static_cast<size_t>(page(0).items[0].font)).font.underline());
    EXPECT_FALSE(fonts.at(static_cast<size_t>(page(0).items[1].font)).font.underline());
}

TEST_F(Engine, NewPageAndTextPastTheBottomMarginStartPages) {
    engine.startDoc();
    engine.newPage();
    EXPECT_EQ(engine.currentPage(), 2);
    EXPECT_DOUBLE_EQ(engine.currentY(), 720);
    engine.setCurrentY(15840 - 720 - engine.lineHeight() / 2); // the line would cross
    engine.setText(QStringLiteral("late"));
    EXPECT_EQ(engine.currentPage(), 3);
    ASSERT_EQ(engine.document().pages.size(), 3u);
    EXPECT_DOUBLE_EQ(page(2).items.at(0).y, 720);
    // Line feeds alone never start a page.
    engine.setCurrentY(15000);
    engine.setText(QStringLiteral("\n\n\n"));
    EXPECT_EQ(engine.currentPage(), 3);
}

TEST_F(Engine, TextOutsideADocumentIsRefused) {
    EXPECT_THROW(engine.setText(QStringLiteral("x")), print::PrintError);
    EXPECT_THROW(engine.endDoc(), print::PrintError);
}

TEST_F(Engine, PreviewSwitchAtDocumentStartDecidesTheDestination) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    engine.setPdfOutput(pdf);
    engine.setProgressWindow(false);

    engine.setPreview(true);
    engine.startDoc();
    engine.setPreview(false); // too late for this document
    engine.setText(QStringLiteral("shown"));
    EXPECT_EQ(engine.endDoc(), print::JobResult::Printed);
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_EQ(engine.pane()->currentPage(), 0);

    engine.startDoc(); // the switch is now false: to the printer
    engine.setPreview(true);
    engine.setText(QStringLiteral("printed"));
    engine.newPage();
    engine.setText(QStringLiteral("second"));
    EXPECT_EQ(engine.endDoc(), print::JobResult::Printed);
    EXPECT_GT(QFileInfo(pdf).size(), 500);
}

namespace {

/// The bounding box of the dark pixels of `image` inside `within`.
QRect inkIn(const QImage& image, const QRect& within) {
    QRect ink;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

TEST_F(Engine, PositionZeroIsAQuarterInchInOnAPdfPageAndInThePreview) {
    const auto writeAtZero = [&] {
        engine.startDoc();
        engine.setCurrentX(0);
        engine.setCurrentY(0);
        engine.setText(QStringLiteral("Edge"));
        engine.endDoc();
    };
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("edge.pdf"));
    engine.setPdfOutput(pdf);
    engine.setProgressWindow(false);
    engine.setPreview(false);
    writeAtZero();
    // At 72 dots per inch: the sheet is 612 by 792 dots, a quarter inch 18.
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("edge"))});
    ASSERT_TRUE(render.waitForFinished(30000) && render.exitCode() == 0)
        << render.readAllStandardError().toStdString();
    const QImage page(dir.filePath(QStringLiteral("edge.png")));
    EXPECT_EQ(page.size(), QSize(612, 792));
    const QRect ink = inkIn(page, page.rect());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 18);
    EXPECT_GE(ink.top(), 18);
    EXPECT_LT(ink.left(), 36); // the text is still where it was placed
    EXPECT_LT(ink.top(), 36);

    engine.setPreview(true);
    writeAtZero();
    engine.resize(700, 900);
    engine.show();
    QApplication::processEvents();
    const auto* scroll = engine.pane()->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    const QImage shown = scroll->viewport()->grab().toImage();
    QRect sheet; // the page is the one pure white area
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if ((shown.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
                sheet |= QRect(x, y, 1, 1);
    ASSERT_GT(sheet.width(), 300);
    const double dotsPerInch = sheet.width() / 8.5;
    const QRect text = inkIn(shown, sheet);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GE(text.left() - sheet.left(), dotsPerInch / 4 - 1);
    EXPECT_GE(text.top() - sheet.top(), dotsPerInch / 4 - 1);
    EXPECT_LT(text.left() - sheet.left(), dotsPerInch / 2);
}

TEST_F(Engine, CancelFromTheProgressStopsTheJob) {
    QTemporaryDir dir;
    engine.setPdfOutput(dir.filePath(QStringLiteral("c.pdf")));
    engine.startDoc();
    for (int i = 0; i < 4; ++i) {
        engine.setText(QStringLiteral("page"));
        engine.newPage();
    }
    engine.abortDoc();
    EXPECT_FALSE(engine.inDocument());

    print::RecordedDocument doc;
    doc.pageWidth = 12240;
    doc.pageHeight = 15840;
    doc.fonts.push_back({QFont(QStringLiteral("Arial"), 10), 180});
    doc.pages.resize(5);
    std::vector<int> asked;
    const auto result = print::printDocument(doc, engine.printer(), [&](int page, int total) {
        asked.push_back(page);
        EXPECT_EQ(total, 5);
        return page < 3;
    });
    EXPECT_EQ(result, print::JobResult::Cancelled);
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));
}

TEST_F(Engine, APrinterThatCannotStartIsReportedByName) {
    engine.setPdfOutput(QStringLiteral("/nonexistent-folder/x/out.pdf"));
    engine.setProgressWindow(false);
    engine.setPreview(false);
    engine.startDoc();
    engine.setText(QStringLiteral("x"));
    try {
        engine.endDoc();
        FAIL() << "no error";
    } catch (const print::PrintError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("/nonexistent-folder/x/out.pdf")))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("could not be started")));
    }
}

TEST(ProgressTexts, DeviceAndPageLines) {
    QPrinter pdf;
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(QStringLiteral("/tmp/report.pdf"));
    EXPECT_EQ(print::deviceLine(pdf), QStringLiteral("on the PDF file on /tmp/report.pdf"));
    EXPECT_EQ(print::pageLine(3, 12), QStringLiteral("Now printing Page 3 of 12"));
}

TEST_F(Engine, APreviewShowsItsFirstPageOnceItIsComplete) {
    int shown = 0;
    size_t pagesWhenShown = 0;
    QObject::connect(&engine, &PrintEngine::firstPageShown, [&] {
        ++shown;
        pagesWhenShown = engine.document().pages.size();
    });
    engine.startDoc();
    engine.setText(QStringLiteral("one"));
    EXPECT_EQ(shown, 0);
    engine.newPage();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(pagesWhenShown, 1u); // before the second page was begun
    engine.newPage();
    engine.endDoc();
    EXPECT_EQ(shown, 1);

    QTemporaryDir dir; // a printed document is never shown
    engine.setPdfOutput(dir.filePath(QStringLiteral("p.pdf")));
    engine.setProgressWindow(false);
    engine.setPreview(false);
    engine.startDoc();
    engine.newPage();
    engine.endDoc();
    EXPECT_EQ(shown, 1);
}
