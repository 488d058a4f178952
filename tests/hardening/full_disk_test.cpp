// The disk under the register fills up. A first start that cannot copy the
// template must say so and leave no half file; a document typed into the
// editor must stay on screen, unstored, until there is room again; the
// order that cannot be saved must not be shown as "SET"; and nothing stored
// before may be lost. These cases need a small file system of their own:
// the hardening_full_disk test runs them on a private tmpfs (see
// CMakeLists.txt); anywhere else they are skipped.

#include "editor/frm_change.h"
#include "hardening_fixture.h"
#include "platform/settings/settings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

/// Fills the file system holding `folder` with one file, written until the
/// kernel refuses with ENOSPC; removing the file makes room again.
class Filler {
public:
    explicit Filler(const QString& folder) : path_(folder + QStringLiteral("/filler")) {
        const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT, 0600);
        if (fd < 0)
            return;
        const QByteArray block(4096, 'f');
        for (;;) {
            const ssize_t n = ::write(fd, block.constData(), block.size());
            if (n < static_cast<ssize_t>(block.size())) {
                full_ = n < 0 ? errno == ENOSPC : true;
                if (n >= 0 && ::write(fd, block.constData(), block.size()) >= 0)
                    full_ = false;
                break;
            }
        }
        ::close(fd);
    }
    ~Filler() { free(); }
    Filler(const Filler&) = delete;
    Filler& operator=(const Filler&) = delete;

    bool full() const { return full_; }
    void free() { QFile::remove(path_); }

private:
    QString path_; ///< the filler file, beside the test's folders
    bool full_ = false;
};

class FullDiskTest : public HardeningTest {
public:
    void SetUp() override {
        struct statvfs fs {};
        ASSERT_EQ(statvfs(QFile::encodeName(QDir::tempPath()).constData(), &fs), 0);
        if (fs.f_blocks * fs.f_frsize > 64ull * 1024 * 1024)
            GTEST_SKIP() << "needs a small file system of its own (ctest -R full_disk)";
        HardeningTest::SetUp();
        if (IsSkipped())
            return;
    }

    Filler fill() { return Filler(QDir::tempPath()); }
};

} // namespace

TEST_F(FullDiskTest, FirstStartOnAFullDiskSaysSoAndLeavesNoHalfFile) {
    {
        Filler filler = fill();
        ASSERT_TRUE(filler.full());
        const auto [status, text] = startAnswering();
        EXPECT_EQ(status, 1);
        // The cause in the system's words (strerror of ENOSPC).
        EXPECT_TRUE(text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
            << text.toStdString();
        EXPECT_TRUE(text.contains(dataFile(QStringLiteral("Veld.MDB")))) << text.toStdString();
        EXPECT_FALSE(files().contains(QStringLiteral("Veld.MDB")));
        for (const QString& name : files())
            EXPECT_FALSE(name.contains(QStringLiteral(".tmp."))) << name.toStdString();
        window.reset();
        session::program::reset();
    }
    // With room again, the next start creates the register.
    const auto [status, text] = startAnswering();
    EXPECT_EQ(status, 0) << text.toStdString();
    EXPECT_EQ(storedDocuments(), 0);
}

TEST_F(FullDiskTest, TypedDocumentWaitsInTheEditorUntilThereIsRoom) {
    QList<std::pair<int, QString>> docs;
    for (int i = 1; i <= 50; ++i)
        docs.append({i, QStringLiteral("Document %1").arg(i)});
    makeRegister(docs);
    frmMain& w = start();
    w.show();
    Filler filler = fill();
    ASSERT_TRUE(filler.full());

    // Type a document, press Update on the full disk, read the message, then
    // make room and press Update again.
    QString refusal;
    bool keptOnScreen = false;
    whenModal<frmChange>([&](frmChange* editor) {
        editor->txtDesc->setText(QStringLiteral("Lease renewal"));
        whenModal<QMessageBox>([&, editor](QMessageBox* box) {
            refusal = box->text();
            box->accept();
            keptOnScreen = editor->isVisible() &&
                           editor->txtDesc->text() == QStringLiteral("Lease renewal") &&
                           editor->txtID->text() == QStringLiteral("51");
            filler.free();
            QTimer::singleShot(0, editor->cmdUpdate, &QPushButton::click);
        });
        editor->cmdUpdate->click();
    });
    w.cmdAdd->click();

    EXPECT_TRUE(refusal.startsWith(QStringLiteral("The document was not stored")))
        << refusal.toStdString();
    EXPECT_TRUE(refusal.contains(QStringLiteral("full"))) << refusal.toStdString();
    EXPECT_TRUE(keptOnScreen);
    EXPECT_EQ(storedDocuments(), 51);
    EXPECT_EQ(w.lblDesc->text(), QStringLiteral("Lease renewal "));
    auto db = store::Database::open(dataFile(QStringLiteral("Veld.MDB")));
    EXPECT_EQ(db.integrityCheck(), QStringLiteral("ok"));
}

TEST_F(FullDiskTest, DefaultOrderThatCannotBeSavedIsNotShownAsSet) {
    makeRegister({{1, QStringLiteral("One")}});
    frmMain& w = start();
    w.Order[1]->click();
    Filler filler = fill();
    ASSERT_TRUE(filler.full());
    QString shown;
    QTimer::singleShot(0, [&shown] { answerBox(&shown); });
    w.cmdSetAsDefault->click();
    EXPECT_TRUE(shown.contains(QStringLiteral("could not be saved"))) << shown.toStdString();
    EXPECT_TRUE(w.lblSetAsDefaultOk->isHidden());
    filler.free();
    w.cmdSetAsDefault->click();
    EXPECT_FALSE(w.lblSetAsDefaultOk->isHidden());
    EXPECT_EQ(platform::settings::GetSetting("Arkelby", "Default", "Order"),
              QStringLiteral("DESCRIPTION"));
}
