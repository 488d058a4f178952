// The detail panel's files: a document's files listed with their sizes
// and the first one previewed, made on a worker; a damaged file shows a
// message, never the file; a document without files leaves the note its
// whole place; Enter on a file opens it, rather than Change.

#include "main_window/document_files_panel.h"
#include "main_window/preview_view.h"
#include "startup_fixture.h"
#include "store/document_files.h"
#include "support/attached_file.h"

#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QUrl>

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "take"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;
public slots:
    void take(const QUrl& url) { urls << url; }
};

class FilesPanelTest : public StartupTest {
protected:
    /// Documents 1 (a damaged file), 2 (no file) and 3 (a scan and a
    /// letter), all dated.
    void makeRegisterWithFiles() {
        auto db = store::Database::create(registerLocation());
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        for (int id = 1; id <= 3; ++id) {
            rs->addNew();
            rs->setField(QStringLiteral("ID"), id);
            rs->setField(QStringLiteral("Description"), QStringLiteral("Document %1").arg(id));
            rs->setField(QStringLiteral("Date"), QDate(2026, 3, id));
            rs->update();
        }
        const auto ptr = [&](int id) {
            auto one = db.openRecordset(
                QStringLiteral("SELECT RecordPtr FROM Documents WHERE ID = %1").arg(id),
                store::RecordsetType::Snapshot);
            return one->field(QStringLiteral("RecordPtr")).toLongLong();
        };
        testsupport::attachFile(db, ptr(1), QStringLiteral("torn.png"),
                                testsupport::scannedPage({QStringLiteral("TORN")}));
        testsupport::attachFile(db, ptr(3), QStringLiteral("scan.png"),
                                testsupport::scannedPage({QStringLiteral("INVOICE")}));
        testsupport::attachFile(db, ptr(3), QStringLiteral("z letter.txt"), "Dear");
        // The damaged file: its bytes no longer match its hash.
        db.execute(
            QStringLiteral("UPDATE FileChunks SET Data = X'00' WHERE ContentPtr = "
                           "(SELECT ContentPtr FROM DocumentFiles WHERE Name = 'torn.png')"));
    }

    static QStringList listed(const frmMain& w) {
        QStringList out;
        for (int i = 0; i < w.panFiles->lstFiles->count(); ++i)
            out << w.panFiles->lstFiles->item(i)->text();
        return out;
    }

    /// Makes the list's row `row` current.
    static void goToRow(frmMain& w, int row) {
        w.grdInfo->setFocus();
        w.grdInfo->setCurrentIndex(w.grdInfo->model()->index(row, 0));
        QTest::qWait(20);
    }
};

TEST_F(FilesPanelTest, FilesArePreviewedOrToldDamagedAndOpenedFromThePanel) {
    if (onServer())
        GTEST_SKIP() << "the damaged chunk is written with the file's SQL";
    makeRegisterWithFiles();
    frmMain& w = startShown();
    w.resize(900, 640);
    // Document 3, the first row: its files by name, the scan previewed.
    ASSERT_TRUE(w.panFiles->isVisible());
    EXPECT_EQ(listed(w).size(), 2);
    EXPECT_TRUE(listed(w).value(0).startsWith(QStringLiteral("scan.png (")));
    EXPECT_TRUE(listed(w).value(0).endsWith(QStringLiteral(" KB)")));
    EXPECT_EQ(listed(w).value(1), QStringLiteral("z letter.txt (4 bytes)"));
    ASSERT_TRUE(w.panFiles->waitForPreview(5000));
    const QImage preview = w.panFiles->imgPreview->image();
    ASSERT_FALSE(preview.isNull()) << w.panFiles->imgPreview->text().toStdString();
    EXPECT_LE(preview.height(),
              w.panFiles->imgPreview->height() * w.panFiles->imgPreview->devicePixelRatio() + 1);
    EXPECT_EQ(w.panFiles->imgPreview->accessibleName(), QStringLiteral("Preview of scan.png"));

    // Enter on a file opens it, and Change is not pressed.
    {
        UrlCatcher desktop;
        int editorOpened = 0;
        w.windows.editor = [&editorOpened](store::RecordsetPtr, QWidget*) { ++editorOpened; };
        w.panFiles->lstFiles->setFocus();
        QTest::keyClick(w.panFiles->lstFiles, Qt::Key_Return);
        for (int i = 0; i < 300 && desktop.urls.isEmpty(); ++i)
            QTest::qWait(10);
        ASSERT_EQ(desktop.urls.size(), 1);
        EXPECT_TRUE(desktop.urls[0].toLocalFile().endsWith(QStringLiteral("scan.png")));
        EXPECT_EQ(editorOpened, 0);
    }

    // Document 2 has none: the note has the place to itself.
    goToRow(w, 1);
    EXPECT_EQ(w.lblID->text().trimmed(), QStringLiteral("2"));
    EXPECT_FALSE(w.panFiles->isVisible());

    // Document 1's file is damaged: a message, never the picture.
    goToRow(w, 2);
    ASSERT_TRUE(w.panFiles->isVisible());
    ASSERT_TRUE(w.panFiles->waitForPreview(5000));
    EXPECT_TRUE(w.panFiles->imgPreview->image().isNull());
    EXPECT_FALSE(w.panFiles->imgPreview->text().isEmpty());
    EXPECT_EQ(w.panFiles->imgPreview->accessibleName(), w.panFiles->imgPreview->text());
}

} // namespace

#include "files_panel_test.moc"
