// The list re-run on its worker while the user types: only the latest
// pattern's rows are shown, exactly those the statement selects; the
// current document is kept across re-runs in a big list, the panel never
// showing another one meanwhile; a re-run that fails leaves the list as it
// was and says so.

#include "list_fixture.h"
#include "store/transaction.h"

#include <QCheckBox>
#include <QFile>

namespace program = session::program;

namespace {

/// The IDs the statement selects, run directly on the program's register.
QStringList idsOf(const QString& statement) {
    QStringList ids;
    auto rs = program::dbMain.openRecordset(statement, store::RecordsetType::Snapshot);
    for (; !rs->eof(); rs->moveNext())
        ids << rs->field(QStringLiteral("ID")).toString();
    return ids;
}

} // namespace

TEST_F(ListTest, TypingFastShowsOnlyTheLastPatternsRows) {
    QList<Doc> docs;
    for (int i = 1; i <= 400; ++i)
        docs.append({i, QStringLiteral("%1 item %2")
                            .arg(QLatin1String(i % 3 == 0   ? "alpha"
                                               : i % 3 == 1 ? "beta"
                                                            : "gamma"))
                            .arg(i)});
    makeDocuments({}, docs);
    frmMain& w = startShown();
    w.chkFilterOn->click();
    // Each key starts a re-run that the next one overtakes.
    for (const char* keys : {"AL", "\b\bBET", "\b\b\bGA", "\b\b7"}) {
        for (const char* k = keys; *k; ++k) {
            if (*k == '\b')
                QTest::keyClick(w.txtFilterDesc, Qt::Key_Backspace);
            else
                QTest::keyClick(w.txtFilterDesc, *k);
            QCoreApplication::processEvents();
        }
    }
    EXPECT_EQ(w.txtFilterDesc->text(), QStringLiteral("7"));
    w.waitForList();
    const QStringList expected = idsOf(w.listStatement());
    ASSERT_EQ(expected.size(), 76); // 7, 17, .., 397, 70..79, 170..179, ...
    EXPECT_EQ(gridColumn(1), expected);
    // Nothing of an overtaken re-run arrives later.
    QTest::qWait(100);
    EXPECT_EQ(gridColumn(1), expected);
    EXPECT_EQ(w.listStatement(),
              QStringLiteral("SELECT * FROM Documents  WHERE Description LIKE '*7*' ORDER BY ID "
                             "DESC"));
}

TEST_F(ListTest, CurrentDocumentIsKeptAcrossRefreshesInABigList) {
    constexpr int count = 10000;
    {
        auto db = store::Database::create(registerLocation());
        store::Transaction filing(db);
        auto rows = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        for (int i = 1; i <= count; ++i) {
            rows->addNew();
            rows->setField(QStringLiteral("ID"), i);
            rows->setField(
                QStringLiteral("Description"),
                QStringLiteral("%1 %2").arg(QLatin1String(i % 2 ? "odd" : "even")).arg(i));
            rows->update();
        }
        filing.commit();
    }
    frmMain& w = startShown();
    w.chkFilterOn->click();
    w.waitForList();
    // Far down the list: beyond the first rows of every re-run.
    auto rs = w.dtaDocuments->recordset();
    rs->setAbsolutePosition(7001);
    const qint64 kept = currentRecordPtr();
    const int id = currentId();
    ASSERT_EQ(id % 2, 1);
    const QString shown = QString::number(id) + QLatin1Char(' ');
    ASSERT_EQ(w.lblID->text(), shown);
    // The panel as each recordset of a re-run (its first rows, then all of
    // them) takes the grid: it keeps the document throughout.
    QStringList panel;
    QObject::connect(w.dtaDocuments, &session::DataControl::recordsetChanged, &w,
                     [&] { panel << w.lblID->text(); });
    for (const char* pattern : {"O", "OD", "ODD", "OD", "", "D"}) {
        panel.clear();
        w.txtFilterDesc->setText(QLatin1String(pattern));
        w.waitForList();
        EXPECT_EQ(panel, QStringList(2, shown)) << pattern;
        EXPECT_EQ(currentRecordPtr(), kept) << pattern;
        const int row = w.grdInfo->currentIndex().row();
        const auto [first, last] = rowsInView();
        EXPECT_LE(first, row - 5) << pattern;
        EXPECT_GE(last, row) << pattern;
        EXPECT_EQ(w.lblID->text(), shown) << pattern;
    }
    EXPECT_EQ(w.grdInfo->model()->rowCount(), count / 2); // "D" is in "odd" alone
}

TEST_F(ListTest, FailedRefreshLeavesTheListAsItWas) {
    if (onServer())
        GTEST_SKIP() << "a register file moved away";
    makeDocuments({}, {{1, "Apple"}, {2, "Banana"}, {3, "Cherry"}});
    frmMain& w = startShown();
    clickRow(1); // document 2
    const QString before = w.listStatement();
    // The worker opens the register itself: a register it cannot reach
    // fails the re-run.
    const QString moved = dataFile(QStringLiteral("Veld.moved"));
    ASSERT_TRUE(QFile::rename(registerLocation(), moved));
    const QList<SeenBox> boxes = answering(QMessageBox::Ok, [&] {
        w.chkFilterOn->click();
        typeInto(w.txtFilterDesc, QStringLiteral("an"));
    });
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("The list could not be brought up to "
                                                        "date.")))
        << boxes[0].text.toStdString();
    EXPECT_EQ(w.listStatement(), before);
    EXPECT_EQ(gridColumn(1), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(currentId(), 2);
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("Banana "));
    // Back in place, the next key brings the list up to date.
    ASSERT_TRUE(QFile::rename(moved, registerLocation()));
    typeInto(w.txtFilterDesc, QStringLiteral("a"));
    EXPECT_EQ(gridColumn(1), (QStringList{"2"}));
    EXPECT_EQ(currentId(), 2);
}
