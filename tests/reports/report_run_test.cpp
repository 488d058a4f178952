// One report run over a register: the cells of each column (ID flush right,
// dates m/d/yyyy, Null texts, unknown and Null types, a Null ID), the page
// header (date, "Arkelby" centred, "Page: n" ending at the right margin),
// the heading lines, and page breaks past 93 % of the page with the header
// and headings repeated, including a last page that holds only them.

#include "platform/print/print_engine.h"
#include "reports/mod_reports.h"
#include "reports/report_run.h"
#include "reports/type_names.h"
#include "support/register_fixture.h"

#include <QPageSize>
#include <QPrinter>
#include <gtest/gtest.h>

using print::TextItem;

namespace {

class ReportRun : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        engine.printer().setPageSize(QPageSize(QPageSize::Letter));
        engine.printer().setPageOrientation(QPageLayout::Portrait);
    }

    void run(const reports::ReportOptions& options,
             const QString& sql = QStringLiteral("SELECT * FROM Documents ORDER BY ID")) {
        auto rs = db.openRecordset(sql, store::RecordsetType::Snapshot);
        rs->moveLast(); // as the window leaves it
        reports::TypeNames types(db);
        reports::runReport(report, engine, *rs, options,
                           [&types](qint16 t) { return types.name(t); });
    }

    const std::vector<print::RecordedPage>& pages() const { return engine.document().pages; }

    /// Items of a page on the line at `y`, left to right.
    static std::vector<TextItem> lineAt(const print::RecordedPage& page, double y) {
        std::vector<TextItem> out;
        for (const auto& i : page.items)
            if (std::abs(i.y - y) < 0.5)
                out.push_back(i);
        return out;
    }

    /// The item whose text is `text` on a page, or nullptr.
    static const TextItem* find(const print::RecordedPage& page, const QString& text) {
        for (const auto& i : page.items)
            if (i.text == text)
                return &i;
        return nullptr;
    }

    /// Texts of column `index` on a page, top to bottom (record lines only).
    QStringList cells(int pageIndex, int index) const {
        QStringList out;
        const auto& c = report.aReportColumns[static_cast<size_t>(index)];
        const auto* heading = find(pages()[static_cast<size_t>(pageIndex)], c.Heading[3]);
        for (const auto& i : pages()[static_cast<size_t>(pageIndex)].items) {
            if (heading && i.y <= heading->y)
                continue;
            const double edge = c.RightAligned ? i.x + engine.textWidth(i.text) : i.x;
            if (std::abs(edge - c.X) < 0.5)
                out << i.text;
        }
        return out;
    }

    print::PrintEngine engine;
    reports::modReports report;
};

} // namespace

TEST_F(ReportRun, CellsOfEveryColumn) {
    const int invoice = addType(QStringLiteral("Invoice"));
    add({42, QStringLiteral("Rent  "), QDate(2002, 1, 5), QStringLiteral("Smith"), invoice});
    add({7, QStringLiteral("Unknown type"), QDate(1999, 12, 31), QString(), 99});
    db.execute(QStringLiteral("INSERT INTO Documents (ID, Description, DocumentType, Date, Who) "
                              "VALUES (NULL, NULL, NULL, NULL, NULL)"));
    run({true, true, true}, QStringLiteral("SELECT * FROM Documents ORDER BY RecordPtr"));

    ASSERT_EQ(pages().size(), 1u);
    EXPECT_EQ(cells(0, 1), (QStringList{"42", "7"}));              // the Null ID prints nothing
    EXPECT_EQ(cells(0, 2), (QStringList{"Rent", "Unknown type"})); // trailing blanks removed
    EXPECT_EQ(cells(0, 3), (QStringList{"Invoice"})); // unknown and Null types print nothing
    EXPECT_EQ(cells(0, 4), (QStringList{"1/5/2002", "12/31/1999"}));
    EXPECT_EQ(cells(0, 5), (QStringList{"Smith"}));
    // The Null record still takes its line: three record lines in all.
    const auto* heading = find(pages()[0], QStringLiteral("Description"));
    ASSERT_TRUE(heading);
    const auto* seven = find(pages()[0], QStringLiteral("7"));
    ASSERT_TRUE(seven);
    EXPECT_NEAR(seven->y - heading->y, 3 * engine.lineHeight(), 0.5);
    EXPECT_NEAR(engine.currentY() - heading->y, 5 * engine.lineHeight(), 0.5);
    // IDs and their heading end flush with the column's right edge.
    for (const QString& id : {QStringLiteral("42"), QStringLiteral("7"), QStringLiteral("ID")}) {
        const auto* item = find(pages()[0], id);
        ASSERT_TRUE(item) << id.toStdString();
        EXPECT_NEAR(item->x + engine.textWidth(id), report.aReportColumns[1].X, 0.01);
    }
}

TEST_F(ReportRun, PageHeaderAndHeadingLines) {
    add({1, QStringLiteral("one")});
    run({});
    const auto& page = pages()[0];
    const double lh = engine.lineHeight();
    const auto* title = find(page, QStringLiteral("Arkelby"));
    const auto* number = find(page, QStringLiteral("Page: 1"));
    ASSERT_TRUE(title);
    ASSERT_TRUE(number);
    // An empty first line, then the header line.
    EXPECT_NEAR(title->y, 720 + lh, 0.5);
    EXPECT_NEAR(title->x + engine.textWidth(title->text) / 2, 12240 / 2.0, 0.5);
    EXPECT_NEAR(number->x + engine.textWidth(number->text), 12240 - 720, 0.5);
    const auto header = lineAt(page, title->y);
    ASSERT_EQ(header.size(), 3u);
    EXPECT_DOUBLE_EQ(header[0].x, 1); // the date and time at position 1
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_TRUE(header[0].text == reports::generalDate(now) ||
                header[0].text == reports::generalDate(now.addSecs(-60)))
        << header[0].text.toStdString();
    // Two empty heading lines, the underlined headings, an empty line, the record.
    const auto* id = find(page, QStringLiteral("ID"));
    ASSERT_TRUE(id);
    EXPECT_NEAR(id->y, title->y + 3 * lh, 0.5);
    EXPECT_TRUE(engine.document().fonts[static_cast<size_t>(id->font)].font.underline());
    const auto* one = find(page, QStringLiteral("one"));
    ASSERT_TRUE(one);
    EXPECT_NEAR(one->y, id->y + 2 * lh, 0.5);
    EXPECT_FALSE(engine.document().fonts[static_cast<size_t>(one->font)].font.underline());
}

TEST_F(ReportRun, PagesBreakPast93PercentWithTheHeaderRepeated) {
    for (int i = 1; i <= 130; ++i)
        add({i, QStringLiteral("Document %1").arg(i)});
    run({});
    ASSERT_GE(pages().size(), 3u);
    const double limit = 15840 * 0.93;
    int printed = 0;
    for (size_t p = 0; p < pages().size(); ++p) {
        const auto& page = pages()[p];
        EXPECT_TRUE(find(page, QStringLiteral("Page: %1").arg(p + 1))) << "page " << p + 1;
        EXPECT_TRUE(find(page, QStringLiteral("Arkelby")));
        EXPECT_TRUE(find(page, QStringLiteral("Description")));
        const QStringList ids = cells(static_cast<int>(p), 1);
        printed += static_cast<int>(ids.size());
        if (p + 1 < pages().size()) {
            // The page was left on the first line that ended past the limit.
            const auto* last = find(page, ids.last());
            ASSERT_TRUE(last);
            EXPECT_GT(last->y + engine.lineHeight(), limit);
            EXPECT_LE(last->y, limit);
        }
    }
    EXPECT_EQ(printed, 130);
    EXPECT_EQ(cells(1, 1).first().toInt(), cells(0, 1).size() + 1); // continues in order
}

TEST_F(ReportRun, AFullLastLineLeavesAPageWithOnlyHeaderAndHeadings) {
    for (int i = 1; i <= 80; ++i)
        add({i, QStringLiteral("Document %1").arg(i)});
    run({});
    const int perPage = static_cast<int>(cells(0, 1).size());
    ASSERT_LT(perPage, 80);

    db.execute(QStringLiteral("DELETE FROM Documents WHERE ID > %1").arg(perPage));
    engine.abortDoc();
    run({});
    ASSERT_EQ(pages().size(), 2u);
    EXPECT_EQ(cells(0, 1).size(), perPage);
    EXPECT_TRUE(cells(1, 1).isEmpty());
    EXPECT_TRUE(find(pages()[1], QStringLiteral("Page: 2")));
    EXPECT_TRUE(find(pages()[1], QStringLiteral("ID")));
}

TEST(ReportTexts, DatesAndNumbers) {
    EXPECT_EQ(reports::reportDate(store::makeDate(QDate(2002, 1, 5))), QStringLiteral("1/5/2002"));
    EXPECT_EQ(reports::reportDate(store::makeDate(QDate(1976, 7, 4), QTime(13, 5))),
              QStringLiteral("7/4/1976"));
    EXPECT_EQ(reports::reportDate(QVariant()), QString());
    EXPECT_EQ(reports::reportNumber(QVariant(42)), QStringLiteral("42"));
    EXPECT_EQ(reports::reportNumber(QVariant(-3)), QStringLiteral("-3"));
    EXPECT_EQ(reports::reportNumber(QVariant()), QString());
}
