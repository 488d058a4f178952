// One report run from the report window into a PDF file, read back with
// pdftotext -layout: the rows the list's statement selects, in its order,
// with the chosen columns, the header and the page number; pdftotext -bbox:
// no word within a quarter inch of the sheet's left or top edge (the
// header's left text starts at position 1); pdffonts must show an embedded
// font (text drawn without a real font comes out as unreadable shapes,
// which is a failure here, not a skip).

#include "platform/print/print_engine.h"
#include "reports/frm_print.h"
#include "support/register_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class PdfReport : public RegisterTest {};

TEST_F(PdfReport, RowsInTheListsOrderAndFilterInsideThePrintableAreaWithAnEmbeddedFont) {
    const int letter = addType(QStringLiteral("Letter"));
    add({12, QStringLiteral("Contract Miller"), QDate(2003, 2, 1), QStringLiteral("Miller"),
         letter});
    add({5, QStringLiteral("Invoice 77"), QDate(2003, 3, 9), QStringLiteral("Jones"), letter});
    add({31, QStringLiteral("Contract Baker"), QDate(2001, 11, 30), QStringLiteral("Baker")});
    add({8, QStringLiteral("Contract Adams"), QDate(1999, 7, 4), QStringLiteral("Adams"), letter});

    reports::frmPrint form(db, [] {
        return QStringLiteral("SELECT * FROM Documents WHERE Description LIKE '*Contract*' "
                              "ORDER BY ID DESC");
    });
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("report.pdf"));
    form.VSP->setPdfOutput(pdf);
    form.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.lblRecordCount->text().isEmpty(); }));
    EXPECT_EQ(form.lblRecordCount->text(), QStringLiteral("3 documents to print"));
    for (int i : {2, 3, 4})
        form.chkFields[static_cast<size_t>(i)]->setChecked(true);
    form.cmdPrint->click();
    ASSERT_TRUE(form.lblPrinted->isVisible());

    const QString text =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_FALSE(text.startsWith(QLatin1Char('<'))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Arkelby"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Page: 1")));
    EXPECT_FALSE(text.contains(QStringLiteral("Invoice")));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList rows;
    const QRegularExpression row(
        QStringLiteral(R"(^\s*(\d+)\s+(Contract \w+)\s+(\S*)\s+(\S+)\s+(\w+)\s*$)"));
    for (const QString& line : lines) {
        const auto m = row.match(line);
        if (m.hasMatch())
            rows << m.capturedTexts().mid(1).join(QLatin1Char('|'));
    }
    EXPECT_EQ(rows, (QStringList{"31|Contract Baker||11/30/2001|Baker",
                                 "12|Contract Miller|Letter|2/1/2003|Miller",
                                 "8|Contract Adams|Letter|7/4/1999|Adams"}))
        << text.toStdString();
    const int headings = static_cast<int>(lines.indexOf(
        QRegularExpression(QStringLiteral(R"(^\s*ID\s+Description\s+Type\s+Date\s+Who\s*$)"))));
    EXPECT_GE(headings, 0) << text.toStdString();

    // Word boxes in points; a quarter inch is 18.
    const QString boxes =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const QRegularExpression word(QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)")re"));
    double left = 1e9, top = 1e9;
    for (auto it = word.globalMatch(boxes); it.hasNext();) {
        const auto m = it.next();
        left = std::min(left, m.captured(1).toDouble());
        top = std::min(top, m.captured(2).toDouble());
    }
    EXPECT_GE(left, 18) << boxes.toStdString();
    EXPECT_LT(left, 36) << "the header's left text starts near position 1";
    EXPECT_GE(top, 18);

    const QString fonts = runTool(QStringLiteral("pdffonts"), {pdf});
    ASSERT_FALSE(fonts.startsWith(QLatin1Char('<'))) << fonts.toStdString();
    // Columns: name type encoding emb sub uni object ID; rows after the rule.
    int embedded = 0;
    for (const QString& line : fonts.split(QLatin1Char('\n')).mid(2)) {
        const QStringList cols = line.simplified().split(QLatin1Char(' '));
        if (cols.size() >= 7 && cols.at(cols.size() - 5) == QLatin1String("yes"))
            ++embedded;
    }
    EXPECT_GE(embedded, 1) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(QStringLiteral("Liberation"), Qt::CaseInsensitive) ||
                fonts.contains(QStringLiteral("Arial"), Qt::CaseInsensitive))
        << fonts.toStdString();
}
