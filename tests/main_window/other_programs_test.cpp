// Documents another program added to a register file: rows written by
// Python's sqlite3 module (its default datetime adapter, isoformat() with
// and without a zone, "Z", a Julian day as a number) and values that are no
// date (a text, a Unix time). The start names the documents whose date is
// no date; every form of date is shown, filtered, sorted and exported as
// the date it is (an offset turned into UTC, as SQLite's date functions
// read it); what is no date is shown and exported as stored.

#include "list_fixture.h"
#include "platform/dates/today.h"
#include "platform/settings/settings.h"
#include "reports/list_export.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProcess>

namespace {

// Python's own writers of each form; the values are what they store.
const char* const PythonRows = R"py(
import datetime, sqlite3, sys
d = datetime.datetime
minus5 = datetime.timezone(datetime.timedelta(hours=-5))
rows = [
    (1, d(2004, 3, 5, 7, 8, 9, 123456)),                 # 2004-03-05 07:08:09.123456
    (2, d(2004, 3, 1, 7, 8, 9).isoformat()),             # 2004-03-01T07:08:09
    (3, d(2004, 3, 6, 23, 30, tzinfo=minus5).isoformat()),  # ...-05:00: 3/7 in UTC
    (4, "2004-02-06T10:00:00Z"),
    (5, d(2004, 2, 6)),                                  # 2004-02-06 00:00:00
    (6, "next week"),
    (7, 2453068.5),                                      # julianday('2004-03-04')
    (8, 1078000000),                                     # a Unix time
]
db = sqlite3.connect(sys.argv[1])
db.executemany("INSERT INTO Documents (ID, Description, Date) VALUES (?, 'doc', ?)", rows)
db.commit()
)py";

class OtherProgramsTest : public ListTest {};

TEST_F(OtherProgramsTest, PythonRowsAreShownFilteredSortedAndExportedAsTheirDates) {
    if (onServer())
        GTEST_SKIP() << "rows written by another program into a register file";
    makeDocuments({}, {});
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(PythonRows), registerLocation()});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();

    ASSERT_TRUE(platform::settings::SaveSetting(QStringLiteral("Arkelby"),
                                                QStringLiteral("Default"), QStringLiteral("Order"),
                                                QStringLiteral("Date, ID")));
    platform::dates::FixedToday today(QDate(2004, 3, 7));
    QString note;
    QTimer::singleShot(0, [&note] { answerBox(&note); });
    frmMain& w = startShown();
    EXPECT_TRUE(note.contains(QStringLiteral("document IDs 6, 8 ")) &&
                !note.contains(QStringLiteral(" 5,")))
        << note.toStdString();
    // No date (as Null) first, then by the dates themselves.
    EXPECT_EQ(gridColumn(1), (QStringList{"6", "8", "5", "4", "2", "7", "1", "3"}));

    const QString file = dataFile(QStringLiteral("list.csv"));
    ASSERT_EQ(reports::exportList(*w.dtaDocuments->recordset(), file).documents, 8);
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString exported = QString::fromUtf8(csv.readAll());
    for (const char* line :
         {"6,doc,,next week,,", "8,doc,,1078000000,,", "5,doc,,2/6/2004,,", "4,doc,,2/6/2004,,",
          "2,doc,,3/1/2004,,", "7,doc,,3/4/2004,,", "1,doc,,3/5/2004,,", "3,doc,,3/7/2004,,"})
        EXPECT_TRUE(exported.contains(QLatin1String(line) + QStringLiteral(",\r\n")))
            << line; // the last column, Files, empty

    clickRow(0);
    EXPECT_EQ(w.lblDate->text(), QStringLiteral("next week "));
    clickRow(7);
    EXPECT_EQ(w.lblDate->text(), QStringLiteral("3/7/2004 "));

    // After 2/6/2004: a time of day on 2/6 is after it, its midnight not.
    w.chkFilterOn->click();
    w.cmbDate->setCurrentIndex(1);
    EXPECT_EQ(gridColumn(1), (QStringList{"4", "2", "7", "1", "3"}));
    w.cmbDate->setCurrentIndex(5); // "No Date"
    EXPECT_EQ(gridColumn(1), (QStringList{"6", "8"}));
}

} // namespace
