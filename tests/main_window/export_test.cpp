// The list as a CSV file: File > Export List... on the real window (the
// filtered list in its order, through the real menu item and its dialog)
// and `tolvane --export` run as the program (the whole register in the
// saved order, without a display). Each file is read back by a small RFC
// 4180 reader written here: quotes, commas and line breaks (CR LF, LF, CR)
// inside fields, letters beyond ASCII, empty and Null values, type 0 and a
// number no type has, a Null date; the byte-order mark, CR LF after every
// record and the header. A file that cannot be written leaves nothing and
// says which file and why. Targets that are no regular file: a FIFO, a
// device, a symbolic link, standard output into a pipe, a closed pipe and
// a full device. The workbook, read back by openpyxl.

#include "list_fixture.h"
#include "platform/settings/settings.h"
#include "program_run.h"
#include "reports/list_export.h"
#include "store/transaction.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Records = QList<QStringList>;

const QStringList Header{"ID", "Description", "Type", "Date", "Who", "Note", "Files"};

/// The files given to documents by addFiles(), by ID: their names as the
/// last column carries them, one a line, by name.
QMap<int, QString> filesOf;

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

/// Exported bytes as records; the test fails unless they are UTF-8 with a
/// byte-order mark and read as CSV.
Records readExportBytes(const QByteArray& bytes) {
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
    const auto records = readCsv(QString::fromUtf8(bytes.sliced(3)));
    EXPECT_TRUE(records) << "not RFC 4180 CSV:\n" << bytes.toStdString();
    return records.value_or(Records{});
}

/// An exported file's records, as readExportBytes reads them.
Records readExport(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no file " << fileName.toStdString();
        return {};
    }
    return readExportBytes(file.readAll());
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
                d.note,
                filesOf.value(d.id)};
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

} // namespace

class ExportTest : public ListTest {
protected:
    /// Chooses File > Export List... and saves under `fileName`, answering
    /// every message box; returns the boxes shown.
    QList<SeenBox> exportFromMenu(const QString& fileName) {
        whenModal<QFileDialog>([this, fileName](QFileDialog* dialog) {
            dialogTitle = dialog->windowTitle();
            proposed = dialog->selectedFiles().value(0);
            firstFilter = dialog->nameFilters().value(0);
            dialog->selectFile(fileName);
            static_cast<QDialog*>(dialog)->accept(); // as the Save button does
        });
        return answering(QMessageBox::Ok, [this] { window->mnuFileExportList->trigger(); });
    }

    /// Runs `tolvane --export` on this test's register with no display.
    ProgramRun exportFromProgram(const QString& fileName,
                                 std::function<void()> inChild = {}) const {
        return runProgram(
            {QStringLiteral("--export"), onServer() ? place.location() : data.path(), fileName},
            std::move(inChild));
    }

    /// Gives documents 102 and 104 files (rows as another program would
    /// write them), with names that need quoting, and notes them in filesOf.
    void addFiles() {
        const store::Database db = store::Database::open(registerLocation());
        store::Transaction t(db);
        const QList<std::pair<int, const char*>> files{
            {2, "scan, page 1.pdf"}, {2, "Letter \"final\".docx"}, {4, "photo ✓.jpg"}};
        for (int n = 0; n < files.size(); ++n) {
            db.execute(QStringLiteral("INSERT INTO \"FileContents\" (\"Sha256\", \"Size\", "
                                      "\"Complete\", \"TextState\") VALUES ('%1', 3, 1, 0)")
                           .arg(QString(64, QLatin1Char('a' + char(n)))));
            db.execute(QStringLiteral("INSERT INTO \"DocumentFiles\" (\"RecordPtr\", \"Name\", "
                                      "\"ContentPtr\") SELECT %1, '%2', max(\"ContentPtr\") FROM "
                                      "\"FileContents\"")
                           .arg(files[n].first)
                           .arg(QString::fromUtf8(files[n].second)));
        }
        t.commit();
        filesOf = {{102, QStringLiteral("Letter \"final\".docx\nscan, page 1.pdf")},
                   {104, QStringLiteral("photo ✓.jpg")}};
    }
    void TearDown() override {
        filesOf.clear();
        ListTest::TearDown();
    }

    QString dialogTitle, proposed, firstFilter;
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
    EXPECT_EQ(proposed, QDir::home().filePath(QStringLiteral("Arkelby list.xlsx")));
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
    addFiles(); // named in the last column
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
        EXPECT_TRUE(run.out.startsWith("Exported 5 documents from ")) << run.out.toStdString();
        EXPECT_EQ(readExport(target), expectedRecords(c.ids));
    }
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReportedAndLeavesNothing) {
    makeDocuments(Types, Documents);
    const QString missingFolder = dataFile(QStringLiteral("missing/list.csv"));
    const QString folder = dataFile(QStringLiteral("folder.csv"));
    ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("folder.csv")));

    for (const QString& target :
         {missingFolder, dataFile(QStringLiteral("missing/list.xlsx")), folder}) {
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
    EXPECT_EQ(reports::exportList(*list, target).documents, ids.size());
    const Records records = readExport(target);
    EXPECT_EQ(idsOf(records), ids);
    EXPECT_EQ(records.value(ids.size()).value(1), QStringLiteral("Document %1").arg(count));
}

TEST_F(ExportTest, TargetsThatAreNoRegularFileAreWrittenIntoOrRefusedNeverReplaced) {
    makeDocuments(Types, Documents);
    const Records all = expectedRecords({"105", "104", "103", "102", "101"});
    const auto kindOf = [](const QString& name) {
        struct stat seen {};
        return ::lstat(QFile::encodeName(name).constData(), &seen) == 0 ? seen.st_mode & S_IFMT : 0;
    };

    // A FIFO is written into, as a reader takes it, and stays a FIFO.
    const QString fifo = dataFile(QStringLiteral("fifo.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess reader;
    reader.start(QStringLiteral("cat"), {fifo});
    ASSERT_TRUE(reader.waitForStarted());
    ProgramRun run = exportFromProgram(fifo);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_TRUE(reader.waitForFinished());
    EXPECT_EQ(readExportBytes(reader.readAllStandardOutput()), all);
    EXPECT_EQ(kindOf(fifo), S_IFIFO);

    // "-" is standard output, here a pipe, which then carries the CSV alone.
    run = exportFromProgram(QStringLiteral("-"));
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(readExportBytes(run.out), all);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Exported 5 documents from ")))
        << run.err.toStdString();

    // /dev/stdout is standard output, here a file the caller opened.
    const QString redirected = dataFile(QStringLiteral("redirected.csv"));
    const QByteArray redirectedName = QFile::encodeName(redirected);
    run = exportFromProgram(QStringLiteral("/dev/stdout"), [&redirectedName] {
        ::dup2(::open(redirectedName.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600),
               STDOUT_FILENO);
    });
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(readExport(redirected), all);

    // A device and a symbolic link to a file are refused and left as they were.
    const QString kept = dataFile(QStringLiteral("kept.csv"));
    const QString link = dataFile(QStringLiteral("link.csv"));
    {
        QFile file(kept);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
    }
    ASSERT_TRUE(QFile::link(kept, link));
    for (const QString& target : {QStringLiteral("/dev/null"), link}) {
        SCOPED_TRACE(target.toStdString());
        run = exportFromProgram(target);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tolvane: the list was not exported: ")));
        EXPECT_TRUE(run.err.contains(target)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(kindOf(QStringLiteral("/dev/null")), S_IFCHR);
    EXPECT_EQ(kindOf(link), S_IFLNK);
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "kept");

    // A write error on standard output fails the export: a pipe nobody
    // reads (with SIGPIPE as a shell leaves it), a full device.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const int unread = ends[1];
    run = exportFromProgram(QStringLiteral("-"), [unread] {
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(unread, STDOUT_FILENO);
    });
    ::close(unread);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QString::fromLocal8Bit(std::strerror(EPIPE))))
        << run.err.toStdString();
    run = exportFromProgram(QStringLiteral("-"), [] {
        const int full = ::open("/dev/full", O_WRONLY);
        ::dup2(full, STDOUT_FILENO);
    });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
        << run.err.toStdString();
}

namespace {

/// Reads a workbook with openpyxl into JSON: per sheet, whether the first
/// row is bold, the frozen cell, the widths of columns A to F, and every
/// row's cells as "text:...", "number:...", "date:yyyy-mm-dd m/d/yyyy" or
/// "" for an empty cell. Texts are decoded as spreadsheet programs decode
/// them ("_x000D_" is a carriage return), which openpyxl leaves undone.
const char* const WorkbookReader = R"(
import json, sys, openpyxl
from openpyxl.utils.escape import unescape
book = openpyxl.load_workbook(sys.argv[1])
def cell(c):
    if c.value is None: return ""
    if c.is_date: return "date:%s %s" % (c.value.date().isoformat(), c.number_format)
    if c.data_type == "n": return "number:%d" % c.value
    if c.data_type == "s": return "text:" + unescape(c.value)
    return "%s:%s" % (c.data_type, c.value)
out = {"sheets": book.sheetnames}
for sheet in book:
    out[sheet.title] = {
        "bold": all(c.font.b for c in sheet[1] if c.value is not None),
        "frozen": sheet.freeze_panes,
        "widths": [sheet.column_dimensions[l].width for l in "ABCDEF"],
        "rows": [[cell(c) for c in row] for row in sheet.iter_rows()]}
print(json.dumps(out))
)";

QJsonObject readWorkbook(const QString& fileName) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QLatin1String(WorkbookReader), fileName});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

/// A sheet's rows as JSON text, so that a difference shows.
std::string sheetRows(const QJsonObject& book, const char* sheet) {
    return QJsonDocument(book[QLatin1String(sheet)][QStringLiteral("rows")].toArray())
        .toJson()
        .toStdString();
}

std::string json(const QJsonArray& rows) {
    return QJsonDocument(rows).toJson().toStdString();
}

QString textCell(const QString& text) {
    return text.isEmpty() ? QString() : QStringLiteral("text:") + text;
}

} // namespace

TEST_F(ExportTest, WorkbookKeepsTextAsTextDatesAsDatesAndLongNotesWhole) {
    // A note longer than a cell, a character of two UTF-16 units across
    // the cell's end; text that looks like a number, a formula or the
    // format's own escape; a date before 1900.
    const QString longNote = QString(32766, QLatin1Char('a')) + QStringLiteral("\U0001F600") +
                             QString(7232, QLatin1Char('b'));
    QList<Doc> docs = Documents;
    docs << Doc{106, "=SUM(1+1)", "0012345", longNote, "1850-01-02", 1}
         << Doc{107, "0012345", "+1 _x0041_", "=1+1", "2026-12-31", 2};
    makeDocuments(Types, docs);

    const QString fromProgram = dataFile(QStringLiteral("register.xlsx"));
    const ProgramRun run = exportFromProgram(fromProgram);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("One text is longer than a spreadsheet cell holds (32,767 "
                                 "characters): the note of document 106."))
        << run.out.toStdString();
    const QJsonObject book = readWorkbook(fromProgram);

    EXPECT_EQ(book[QStringLiteral("sheets")].toArray(),
              (QJsonArray{QStringLiteral("Documents"), QStringLiteral("Long notes")}));
    QJsonArray expected{QJsonArray{"text:ID", "text:Description", "text:Type", "text:Date",
                                   "text:Who", "text:Note", "text:Files"}};
    for (int id = 107; id >= 101; --id) {
        const Doc& d =
            *std::find_if(docs.begin(), docs.end(), [id](const Doc& doc) { return doc.id == id; });
        const QDate date = QDate::fromString(d.isoDate, Qt::ISODate);
        expected << QJsonArray{
            QStringLiteral("number:%1").arg(id),
            textCell(d.description),
            textCell(d.type >= 1 && d.type <= Types.size() ? Types[d.type - 1] : QString()),
            !date.isValid()      ? QString()
            : date.year() < 1900 ? QStringLiteral("text:1/2/1850")
                                 : QStringLiteral("date:%1 m/d/yyyy").arg(d.isoDate),
            textCell(d.who),
            textCell(d.note.left(32766)),
            textCell(QString())};
    }
    EXPECT_EQ(sheetRows(book, "Documents"), json(expected));
    EXPECT_EQ(sheetRows(book, "Long notes"),
              json(QJsonArray{QJsonArray{"text:ID", "text:Column", "text:Text", ""},
                              QJsonArray{"number:106", "text:Note", textCell(longNote.left(32766)),
                                         textCell(longNote.mid(32766))}}));
    for (const char* sheet : {"Documents", "Long notes"}) {
        EXPECT_TRUE(book[QLatin1String(sheet)][QStringLiteral("bold")].toBool()) << sheet;
        EXPECT_EQ(book[QLatin1String(sheet)][QStringLiteral("frozen")], QStringLiteral("A2"));
    }
    // Columns as wide as their content, within reason.
    const QJsonArray widths = book[QStringLiteral("Documents")][QStringLiteral("widths")].toArray();
    EXPECT_LT(widths[0].toDouble(), 8);                                     // ID
    EXPECT_GT(widths[1].toDouble(), qstrlen("Comma, \"quoted\" and more")); // Description
    EXPECT_LT(widths[5].toDouble(), 65);                                    // Note

    // The menu proposes the workbook first, tells of the long note, and
    // writes the same workbook.
    startShown();
    const QString fromMenu = dataFile(QStringLiteral("list.xlsx"));
    const QList<SeenBox> boxes = exportFromMenu(fromMenu);
    EXPECT_EQ(proposed, QDir::home().filePath(QStringLiteral("Arkelby list.xlsx")));
    EXPECT_EQ(firstFilter, QStringLiteral("Excel Workbook (*.xlsx)"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("The list was exported.")));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("the note of document 106")));
    EXPECT_EQ(readWorkbook(fromMenu), book);
}
