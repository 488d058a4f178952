// The editor's Files area, through the real window: a file attached (by
// the Attach dialog, pasted, dropped) is stored with the document on
// Update and let go on Exit; Remove asks and takes the file away on
// Update; Open hands the desktop a private read-only copy; Save As writes
// the file.

#include "editor/document_files_box.h"
#include "editor/file_drop_list.h"
#include "editor_window_fixture.h"
#include "store/document_files.h"

#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>

namespace {

/// Catches the URLs the program hands to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "take"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;
public slots:
    void take(const QUrl& url) { urls << url; }
};

class EditorFilesTest : public EditorWindowTest {
protected:
    /// A file of its own in a temporary folder.
    QString makeFile(const QString& name, const QByteArray& bytes) {
        const QString path = folder.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    /// Waits until the editor's files are stored (or failed).
    static void waitStored(frmChange& w) {
        for (int i = 0; i < 500 && w.files->busy(); ++i)
            QTest::qWait(10);
        EXPECT_FALSE(w.files->busy());
    }

    /// The editor's list as "name|size" lines.
    static QStringList shown(const frmChange& w) {
        QStringList out;
        for (int i = 0; i < w.files->lstFiles->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = w.files->lstFiles->topLevelItem(i);
            out << item->text(0) + QLatin1Char('|') + item->text(1);
        }
        return out;
    }

    /// The stored files of the document `recordPtr`, by name.
    QStringList storedNames(qint64 recordPtr) {
        QStringList out;
        for (const store::StoredFile& f : store::documentFiles(db, recordPtr))
            out << f.name;
        return out;
    }

    int contents() {
        return query(QStringLiteral("SELECT COUNT(*) AS N FROM FileContents"), QStringLiteral("N"))
            .value(0)
            .toInt();
    }

    /// Files `path` with the document `recordPtr` through the editor.
    void attachThroughEditor(int recordPtr, const QString& path) {
        frmChange& w = openChange(recordPtr);
        w.files->attachFiles({path});
        waitStored(w);
        pressEnter(w);
        ASSERT_EQ(w.result(), QDialog::Accepted);
        window.reset();
    }

    QTemporaryDir folder;
};

TEST_F(EditorFilesTest, AttachedFilesAreStoredOnUpdateAndLetGoOnExit) {
    const int ptr = add({7, QStringLiteral("lease"), QDate(2000, 1, 1)});
    const QString scan = makeFile(QStringLiteral("scan.pdf"), QByteArray(3000, 'x'));

    // Exit drops what was stored for the filing.
    {
        frmChange& w = openChange(ptr);
        whenModal<QFileDialog>([scan](QFileDialog* d) {
            d->selectFile(scan);
            static_cast<QDialog*>(d)->accept(); // as the dialog's button does
        });
        w.files->cmdAttach->click();
        waitStored(w);
        EXPECT_EQ(shown(w), QStringList{"scan.pdf|2.9 KB"});
        EXPECT_TRUE(w.bChangesMade());
        BoxAnswerer ok;
        w.cmdExit->click();
        window.reset();
        EXPECT_TRUE(storedNames(ptr).isEmpty());
        EXPECT_EQ(contents(), 0) << "nothing left without its record";
    }

    // Update files it, once however often it came; pasted and dropped
    // files come the same way.
    frmChange& w = openChange(ptr);
    w.files->attachFiles({scan});
    auto* pasted = new QMimeData; // the clipboard's own
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    pasted->setImageData(picture);
    QApplication::clipboard()->setMimeData(pasted);
    w.files->lstFiles->setFocus();
    QTest::keySequence(w.files->lstFiles, QKeySequence::Paste);
    auto* dropped = new QMimeData;
    dropped->setUrls({QUrl::fromLocalFile(makeFile(QStringLiteral("letter.txt"), "Dear"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.files->lstFiles->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.files->lstFiles->viewport(), &drop);
    waitStored(w);
    EXPECT_EQ(shown(w).size(), 3) << shown(w).join(QLatin1Char(',')).toStdString();
    {
        BoxAnswerer boxes;
        w.cmdUpdate->click();
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char(',')).toStdString();
    }
    ASSERT_EQ(w.result(), QDialog::Accepted);
    window.reset();
    EXPECT_EQ(storedNames(ptr), (QStringList{"letter.txt", "Pasted picture.png", "scan.pdf"}));
    EXPECT_EQ(contents(), 3);
    delete dropped;
}

TEST_F(EditorFilesTest, UpdateWaitsForFilesStillBeingStored) {
    const int ptr = add({7, QStringLiteral("lease"), QDate(2000, 1, 1)});
    frmChange& w = openChange(ptr);
    w.files->attachFiles({makeFile(QStringLiteral("big.bin"), QByteArray(8 << 20, 'b'))});
    {
        BoxAnswerer boxes;
        pressEnter(w);
        if (w.files->busy() || !boxes.seen().isEmpty()) {
            ASSERT_EQ(boxes.seen().size(), 1);
            EXPECT_TRUE(boxes.seen()[0].text.startsWith(QStringLiteral("The files are still")));
            EXPECT_TRUE(w.isVisible());
        }
    }
    waitStored(w);
    if (w.isVisible())
        pressEnter(w);
    EXPECT_EQ(storedNames(ptr), QStringList{"big.bin"});
}

TEST_F(EditorFilesTest, AFileThatCannotBeStoredIsToldAndNotListed) {
    const int ptr = add({7, QStringLiteral("lease"), QDate(2000, 1, 1)});
    const QString target = makeFile(QStringLiteral("real.pdf"), "x");
    const QString link = folder.filePath(QStringLiteral("link.pdf"));
    ASSERT_TRUE(QFile::link(target, link));
    frmChange& w = openChange(ptr);
    BoxAnswerer boxes;
    w.files->attachFiles({link});
    for (int i = 0; i < 300 && boxes.seen().isEmpty(); ++i)
        QTest::qWait(10);
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_TRUE(boxes.seen()[0].text.startsWith(
        QStringLiteral("The file \"link.pdf\" cannot be attached: ")))
        << boxes.seen()[0].text.toStdString();
    EXPECT_TRUE(shown(w).isEmpty());
}

TEST_F(EditorFilesTest, RemoveAsksAndTakesTheFileAwayOnUpdate) {
    const int ptr = add({7, QStringLiteral("lease"), QDate(2000, 1, 1)});
    attachThroughEditor(ptr, makeFile(QStringLiteral("scan.pdf"), "%PDF-1.4"));
    frmChange& w = openChange(ptr);
    ASSERT_EQ(shown(w), QStringList{"scan.pdf|8 bytes"});
    w.files->lstFiles->setFocus();
    SeenBox asked;
    answerNextBox(&asked, QMessageBox::Cancel);
    QTest::keyClick(w.files->lstFiles, Qt::Key_Delete);
    EXPECT_EQ(asked.text, QStringLiteral("Remove \"scan.pdf\" from the document?"));
    EXPECT_EQ(shown(w).size(), 1) << "cancelled";
    answerNextBox(nullptr, QMessageBox::Ok);
    w.files->cmdRemove->click();
    EXPECT_TRUE(shown(w).isEmpty());
    EXPECT_EQ(storedNames(ptr), QStringList{"scan.pdf"}) << "only Update removes it";
    w.cmdUpdate->click();
    ASSERT_EQ(w.result(), QDialog::Accepted);
    EXPECT_TRUE(storedNames(ptr).isEmpty());
    EXPECT_EQ(contents(), 0);
}

TEST_F(EditorFilesTest, OpenHandsTheDesktopAPrivateReadOnlyCopy) {
    const int ptr = add({7, QStringLiteral("lease"), QDate(2000, 1, 1)});
    attachThroughEditor(ptr, makeFile(QStringLiteral("scan.pdf"), "%PDF-1.4 content"));
    UrlCatcher desktop;
    frmChange& w = openChange(ptr);
    w.files->lstFiles->setFocus();
    QTest::keyClick(w.files->lstFiles, Qt::Key_Return);
    for (int i = 0; i < 300 && desktop.urls.isEmpty(); ++i)
        QTest::qWait(10);
    ASSERT_EQ(desktop.urls.size(), 1);
    EXPECT_TRUE(w.isVisible()) << "Enter in the list opens the file, not Update";
    const QString copy = desktop.urls[0].toLocalFile();
    EXPECT_TRUE(copy.endsWith(QStringLiteral("scan.pdf")));
    QFile f(copy);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("%PDF-1.4 content"));
    EXPECT_FALSE(QFileInfo(copy).permissions() &
                 (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

TEST_F(EditorFilesTest, SaveAsWritesTheStoredFile) {
    const int ptr = add({7, QStringLiteral("lease"), QDate(2000, 1, 1)});
    attachThroughEditor(ptr, makeFile(QStringLiteral("scan.pdf"), "%PDF-1.4 content"));
    QTemporaryDir out;
    const QString saved = out.filePath(QStringLiteral("copy.pdf"));
    frmChange& w = openChange(ptr);
    QString proposed;
    whenModal<QFileDialog>([saved, &proposed](QFileDialog* d) {
        proposed = QFileInfo(d->selectedFiles().value(0)).fileName();
        d->selectFile(saved);
        static_cast<QDialog*>(d)->accept(); // as the dialog's button does
    });
    BoxAnswerer boxes;
    w.files->cmdSaveAs->click();
    EXPECT_TRUE(w.files->waitForIdle(5000));
    EXPECT_EQ(proposed, QStringLiteral("scan.pdf"));
    EXPECT_TRUE(boxes.seen().isEmpty());
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("%PDF-1.4 content"));
}

} // namespace

#include "frm_change_files_test.moc"
