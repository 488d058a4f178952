// The list as a CSV file: File > Export List... on the real window (the
// filtered list in its order, through the real menu item and its dialog)
// and `tolvane --export` run as the program (the whole register in the
// saved order, without a display). Each file is read back by a small RFC
// 4180 reader written here: quotes, commas and line breaks (CR LF, LF, CR)
// inside fields, letters beyond ASCII, empty and Null values, type 0 and a
// number no type has, a Null date; the byte-order mark, CR LF after every
// record and the header. A file that cannot be written leaves nothing and
// says which file and why.

#include "list_fixture.h"
#include "platform/settings/settings.h"
#include "reports/list_export.h"
#include "store/transaction.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <optional>

namespace {

using Records = QList<QStringList>;

const QStringList Header{"ID", "Description", "Type", "Date", "Who", "Note"};

/// Reads CSV as RFC 4180 defines it, every record ended by CR LF; nothing
/// when the text breaks a rule.
std::optional<Records> readCsv(const QString& text) {
    Records records;
    QStringList record;
    qsizetype i = 0;
    const auto at = [&text, &i](char c) { return i < text.size() && text[i] == QLatin1Char(c); };
    while (i < text.size()) {
        QString field;
        if (at('"')) {
            for (++i;; ++i) {
                if (i >= text.size())
                    return std::nullopt; // a quote left open
                if (at('"')) {
                    ++i;
                    if (!at('"'))
                        break;
                }
                field += text[i];
            }
        } else {
            for (; i < text.size() && !at(',') && !at('\r') && !at('\n'); ++i) {
                if (at('"'))
                    return std::nullopt; // a quote in an unquoted field
                field += text[i];
            }
        }
        record << field;
        if (at(',')) {
            ++i;
            continue;
        }
        if (!text.sliced(i).startsWith(QLatin1String("\r\n")))
            return std::nullopt; // a field followed by neither a comma nor CR LF
        i += 2;
        records << record;
        record.clear();
    }
    if (!record.isEmpty())
        return std::nullopt; // the last record without its CR LF (or a comma at the end)
    return records;
}

/// An exported file's records; the test fails unless it is UTF-8 with a
/// byte-order mark and reads as CSV.
Records readExport(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no file " << fileName.toStdString();
        return {};
    }
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
    const auto records = readCsv(QString::fromUtf8(bytes.sliced(3)));
    EXPECT_TRUE(records) << "not RFC 4180 CSV:\n" << bytes.toStdString();
    return records.value_or(Records{});
}

/// Documents with every kind of value the file must carry; all but 105
/// have an "a" in Who.
const QList<Doc> Documents{{101, "Plain", "Ann", "", "2004-03-01", 1},
                           {102, "Comma, \"quoted\" and more", "Zoë Åsa Ångström",
                            "line one\r\nline two\nthree\rfour, \"end\"", "2026-12-31", 2},
                           {103, QString(), "Ana", QString(), "", 0},
                           {104, "Unknown type ✓ 日本", "Mary", "  spaced  ", "1999-07-04", 99},
                           {105, "Filtered out", "Bob", "x", "2001-01-01", 1}};
const QStringList Types{"Invoice", "Letter"};

/// The record a document of `Documents` must become.
QStringList expectedRecord(const QString& id) {
    for (const Doc& d : Documents)
        if (QString::number(d.id) == id) {
            const QDate date = QDate::fromString(d.isoDate, Qt::ISODate);
            return {
                id,
                d.description,
                d.type >= 1 && d.type <= Types.size() ? Types[d.type - 1] : QString(),
                date.isValid()
                    ? QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year())
                    : QString(),
                d.who,
                d.note};
        }
    ADD_FAILURE() << "no document " << id.toStdString();
    return {};
}

Records expectedRecords(const QStringList& ids) {
    Records out{Header};
    for (const QString& id : ids)
        out << expectedRecord(id);
    return out;
}

/// The exported IDs, header left out.
QStringList idsOf(const Records& records) {
    QStringList ids;
    for (qsizetype r = 1; r < records.size(); ++r)
        ids << records[r].value(0);
    return ids;
}

/// What a run of the program showed.
struct ProgramRun {
    int status = -1;
    QString out, err;
};

} // namespace

class ExportTest : public ListTest {
protected:
    /// Chooses File > Export List... and saves under `fileName`, answering
    /// every message box; returns the boxes shown.
    QList<SeenBox> exportFromMenu(const QString& fileName) {
        whenModal<QFileDialog>([this, fileName](QFileDialog* dialog) {
            dialogTitle = dialog->windowTitle();
            proposed = dialog->selectedFiles().value(0);
            dialog->selectFile(fileName);
            static_cast<QDialog*>(dialog)->accept(); // as the Save button does
        });
        return answering(QMessageBox::Ok, [this] { window->mnuFileExportList->trigger(); });
    }

    /// Runs `tolvane --export` on this test's register with no display.
    ProgramRun exportFromProgram(const QString& fileName) const {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        program.setProcessEnvironment(env);
        program.start(
            QStringLiteral(TOLVANE_PROGRAM),
            {QStringLiteral("--export"), onServer() ? place.location() : data.path(), fileName});
        EXPECT_TRUE(program.waitForFinished(60000));
        return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                QString::fromLocal8Bit(program.readAllStandardOutput()),
                QString::fromLocal8Bit(program.readAllStandardError())};
    }

    QString dialogTitle, proposed;
};

TEST_F(ExportTest, MenuWritesTheFilteredListInItsOrderAndKeepsTheCurrentRow) {
    makeDocuments(Types, Documents);
    frmMain& w = startShown();
    w.Order[1]->click(); // by description: Null first on a file, last on a server
    w.chkFilterOn->click();
    typeInto(w.txtFilterWho, QStringLiteral("a"));
    const QStringList shown = gridColumn(1);
    QStringList filtered = shown;
    filtered.sort();
    ASSERT_EQ(filtered, (QStringList{"101", "102", "103", "104"}));
    clickRow(2);
    const int current = currentId();

    const QString target = dataFile(QStringLiteral("list.csv"));
    EXPECT_TRUE(exportFromMenu(target).isEmpty());
    EXPECT_EQ(dialogTitle, QStringLiteral("Export List"));
    EXPECT_EQ(proposed, QDir::home().filePath(QStringLiteral("Arkelby list.csv")));
    EXPECT_EQ(readExport(target), expectedRecords(shown));
    EXPECT_EQ(currentId(), current);
    EXPECT_EQ(gridColumn(1), shown);
    // A screen reader names the item by its text.
    auto* file = w.findChild<QMenu*>(QStringLiteral("mnuFile"));
    ASSERT_TRUE(file);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(file)->child(0)->text(QAccessible::Name),
              QStringLiteral("Export List..."));
}

TEST_F(ExportTest, ProgramWritesTheWholeRegisterInTheSavedOrderWithoutADisplay) {
    makeDocuments(Types, Documents);
    const QString target = dataFile(QStringLiteral("register.csv"));
    struct Case {
        const char* saved;
        QStringList ids;
    };
    for (const Case& c : {Case{" ", {"105", "104", "103", "102", "101"}},
                          Case{"ID", {"101", "102", "103", "104", "105"}}}) {
        SCOPED_TRACE(c.saved);
        ASSERT_TRUE(platform::settings::SaveSetting(QStringLiteral("Arkelby"),
                                                    QStringLiteral("Default"),
                                                    QStringLiteral("Order"), c.saved));
        const ProgramRun run = exportFromProgram(target);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith(QStringLiteral("Exported 5 documents from ")))
            << run.out.toStdString();
        EXPECT_EQ(readExport(target), expectedRecords(c.ids));
    }
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReportedAndLeavesNothing) {
    makeDocuments(Types, Documents);
    const QString missingFolder = dataFile(QStringLiteral("missing/list.csv"));
    const QString folder = dataFile(QStringLiteral("folder.csv"));
    ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("folder.csv")));

    for (const QString& target : {missingFolder, folder}) {
        SCOPED_TRACE(target.toStdString());
        const ProgramRun run = exportFromProgram(target);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tolvane: the list was not exported: ")));
        EXPECT_TRUE(run.err.contains(target)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    startShown();
    const QList<SeenBox> boxes = exportFromMenu(missingFolder);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, QStringLiteral("tolvane"));
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("The list was not exported.")));
    EXPECT_TRUE(boxes[0].text.contains(missingFolder)) << boxes[0].text.toStdString();

    // No file, no folder made, no temporary file left beside the targets.
    EXPECT_EQ(QDir(data.path())
                  .entryList({QStringLiteral("*list*"), QStringLiteral("*.csv*")},
                             QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("folder.csv")});
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dataFile(QStringLiteral("missing"))));
}

TEST_F(ExportTest, ALongListIsWrittenWholeInItsOrderLeavingOutDocumentsDeletedMeanwhile) {
    // More rows than one batch of reads holds, so that batches follow one
    // another and the last is short.
    const int count = 2 * store::Recordset::PrefetchRows + 50;
    makeDocuments({}, {});
    const auto db = store::Database::open(registerLocation());
    QStringList ids;
    {
        store::Transaction filing(db); // one commit, not one per document
        const auto rows =
            db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        for (int id = 1; id <= count; ++id) {
            rows->addNew();
            rows->setField(QStringLiteral("ID"), id);
            rows->setField(QStringLiteral("Description"), QStringLiteral("Document %1").arg(id));
            rows->update();
            if (id != 2 && id != store::Recordset::PrefetchRows + 1)
                ids << QString::number(id);
        }
        filing.commit();
    }
    const auto list = db.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
    store::Database::open(registerLocation())
        .execute(QStringLiteral("DELETE FROM Documents WHERE ID IN (2, %1)")
                     .arg(store::Recordset::PrefetchRows + 1));
    const QString target = dataFile(QStringLiteral("list.csv"));
    EXPECT_EQ(reports::exportList(*list, target), ids.size());
    const Records records = readExport(target);
    EXPECT_EQ(idsOf(records), ids);
    EXPECT_EQ(records.value(ids.size()).value(1), QStringLiteral("Document %1").arg(count));
}
