// Takes a picture of each window of the program as a user sees it: the
// main window over a register of ten documents, the document editor, the
// types window and its "add type" dialog, a document's history, the
// report window with a
// preview, the help viewer and the "Converting" window of the first-start
// import. Each picture is grabbed from the real window, drawn headless, and
// checked for being more than one flat colour; each control the keyboard
// reaches must have an accessible name, and each label must be heard as
// the text it shows (the main window's with a document current). See
// CMakeLists.txt for where the pictures go. Cost: a second or two.

#include "editor/frm_change.h"
#include "history/frm_history.h"
#include "legacy/frm_converting.h"
#include "main_window/document_files_panel.h"
#include "main_window/startup_fixture.h"
#include "platform/help/help_viewer.h"
#include "platform/print/print_engine.h"
#include "reports/frm_print.h"
#include "store/document_history.h"
#include "support/attached_file.h"
#include "types/frm_add_type.h"
#include "types/frm_types.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>

namespace {

QString shotFolder() {
    return qEnvironmentVariable("TOLVANE_WRITE_SCREENSHOTS") == QLatin1String("1")
               ? QStringLiteral(SOURCE_SHOTS)
               : QStringLiteral(BUILD_SHOTS);
}

void settle(int ms = 100) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString spoken(QObject* o) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
    return a ? a->text(QAccessible::Name) : QString();
}

/// Every control of `w` the keyboard can reach has a name a screen reader
/// can say (its caption, its buddy label's or an explicit one), and every
/// label is heard as what it shows: a name of its own would hide a value
/// (a document's field, a count) behind a caption.
void expectNamedControls(QWidget& w, const char* name) {
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (!c->isVisibleTo(&w) || c->focusPolicy() == Qt::NoFocus)
            continue;
        EXPECT_FALSE(spoken(c).trimmed().isEmpty())
            << name << ": " << c->metaObject()->className() << " " << c->objectName().toStdString();
    }
    for (QLabel* l : w.findChildren<QLabel*>()) {
        if (l->isVisibleTo(&w)) {
            EXPECT_EQ(spoken(l), l->text()) << name << ": label " << l->objectName().toStdString();
        }
    }
}

/// Grabs `w` into <folder>/<name>.png; the picture must not be blank, and
/// its controls must carry names.
void shoot(QWidget& w, const char* name) {
    settle();
    expectNamedControls(w, name);
    const QImage img = w.grab().toImage();
    ASSERT_FALSE(img.isNull()) << name;
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); y += 4)
        for (int x = 0; x < img.width(); x += 4)
            colours.insert(img.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << name << " is (nearly) one colour";
    QDir().mkpath(shotFolder());
    EXPECT_TRUE(img.save(QDir(shotFolder()).filePath(QLatin1String(name) + ".png")));
}

} // namespace

class Screenshots : public StartupTest {
public:
    /// Ten documents of four types, with dates, people and notes.
    void fileTenDocuments() {
        auto db = store::Database::create(dataFile(QStringLiteral("Veld.MDB")));
        auto types = db.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table);
        const QStringList names{"Contract", "Invoice", "Letter", "Permit"};
        for (const QString& n : names) {
            types->addNew();
            types->setField(QStringLiteral("Type"), n);
            types->update();
        }
        struct Doc {
            const char* description;
            int type;
            QDate date;
            const char* who;
        };
        const Doc docs[] = {
            {"Lease of the Mill Street office", 1, {2026, 1, 12}, "Harbour Estates"},
            {"Electricity, January", 2, {2026, 2, 3}, "Nordgrid"},
            {"Reply about the parking permit", 3, {2026, 2, 17}, "Town Hall"},
            {"Parking permit 2026", 4, {2026, 3, 1}, "Town Hall"},
            {"Cleaning contract", 1, {2026, 3, 20}, "Brightway"},
            {"Printer toner", 2, {2026, 4, 8}, "Office Supply Co"},
            {"Insurance renewal", 1, {2026, 5, 2}, "Lindqvist Mutual"},
            {"Letter of thanks", 3, {2026, 6, 11}, "M. Okafor"},
            {"Water, second quarter", 2, {2026, 7, 1}, "City Water"},
            {"Signage permit", 4, {2026, 8, 19}, "Town Hall"},
        };
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        int id = 1001;
        for (const Doc& d : docs) {
            rs->addNew();
            rs->setField(QStringLiteral("ID"), id++);
            rs->setField(QStringLiteral("Description"), QString::fromUtf8(d.description));
            rs->setField(QStringLiteral("DocumentType"), d.type);
            rs->setField(QStringLiteral("Date"), d.date);
            rs->setField(QStringLiteral("Who"), QString::fromUtf8(d.who));
            rs->setField(QStringLiteral("Note"), QStringLiteral("Filed in cabinet B."));
            rs->update();
        }
    }
};

TEST_F(Screenshots, EveryWindow) {
    fileTenDocuments();
    frmMain& main = start();
    main.show();
    ASSERT_FALSE(main.panView->isHidden());
    shoot(main, "main_window");

    {
        // The current document with its scanned permit and the request
        // sent for it, in a larger window: the panel's files and a preview.
        const store::Database& db = session::program::dbMain;
        const qint64 ptr = db.openRecordset(QStringLiteral("SELECT RecordPtr FROM Documents "
                                                           "WHERE ID = 1010"),
                                            store::RecordsetType::Snapshot)
                               ->field(QStringLiteral("RecordPtr"))
                               .toLongLong();
        testsupport::attachFile(
            db, ptr, QStringLiteral("Permit scan.png"),
            testsupport::scannedPage({QStringLiteral("TOWN HALL"), QStringLiteral("Permits office"),
                                      QString(), QStringLiteral("SIGNAGE PERMIT No. 2026-0419"),
                                      QString(), QStringLiteral("Granted to the office at"),
                                      QStringLiteral("12 Mill Street for one sign"),
                                      QStringLiteral("of 120 x 60 cm, until 12/31/2027.")}));
        testsupport::attachFile(db, ptr, QStringLiteral("Request.pdf"), QByteArray(48213, 'p'));
        const QSize before = main.size();
        main.resize(820, 600);
        main.DisplayCurrentRecordInformation();
        ASSERT_TRUE(main.panFiles->waitForPreview(10000));
        shoot(main, "files");
        main.resize(before);
    }

    {
        session::program::gAddMode = false;
        frmChange editor(main.dtaDocuments->recordset(), &main);
        editor.show();
        shoot(editor, "editor");
        editor.reject();
    }
    {
        frmTypes types(&main);
        types.show();
        shoot(types, "types");
        types.reject();
    }
    {
        auto rs = session::program::dbMain.openRecordset(QStringLiteral("Types"),
                                                         store::RecordsetType::Table);
        frmAddType add(rs, &main);
        add.show();
        add.txtType->setText(QStringLiteral("Receipt"));
        shoot(add, "add_type");
        add.reject();
    }
    {
        // The first document as filed, then changed twice.
        const store::Database& db = session::program::dbMain;
        store::DocumentFields was{1001,
                                  QStringLiteral("Lease of the Mill Street office"),
                                  1,
                                  {},
                                  QStringLiteral("Harbour Estates"),
                                  {}};
        store::historyAdded(db, 1, was);
        store::DocumentFields now = was;
        now.description = QStringLiteral("Lease of the Mill Street office, renewed");
        now.type = 3;
        store::historyChanged(db, 1, was, now);
        frmHistory history(db, 1, QStringLiteral("1001: Lease of the Mill Street office"), &main);
        history.show();
        shoot(history, "history");
        history.reject();
    }
    {
        reports::frmPrint report(
            session::program::dbMain,
            [] { return QStringLiteral("SELECT * FROM Documents ORDER BY ID DESC"); }, &main);
        report.VSP->setProgressWindow(false);
        report.show();
        settle(300);
        report.chkFields[3]->setChecked(true);
        report.chkFields[4]->setChecked(true);
        report.cmdPreview->click();
        // Page width, so that the picture's report can be read.
        for (auto* zoom : report.findChildren<QAbstractButton*>())
            if (zoom->text() == QLatin1String("Page &Width"))
                zoom->click();
        report.resize(900, 700);
        shoot(report, "report");
        report.reject();
    }
    {
        help::HelpViewer* viewer = help::HelpViewer::instance();
        ASSERT_TRUE(viewer->showContents());
        viewer->show();
        shoot(*viewer, "help");
        viewer->close();
    }
    {
        legacy::frmConverting converting;
        converting.show();
        converting.begin();
        converting.step(120);
        shoot(converting, "converting");
        converting.end();
    }
}
