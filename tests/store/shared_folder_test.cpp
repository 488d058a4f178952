// A register folder prepared by someone who wishes its users harm, and
// register files that are damaged or left in another journal mode by other
// tools. The planted names (links, a FIFO, a device) are what a second user
// who may write the folder can put there; the program must change nothing
// outside the register and say what it found. Each case makes its own
// folder; the whole group takes well under a second.

#include "store/database.h"
#include "store/engine_error.h"
#include "store/read_snapshot.h"
#include "store/recordset.h"
#include "store/register_backup.h"
#include "store/sqlite/row_lock.h"
#include "store/sqlite/sqlite_backup.h"
#include "store/sqlite/sqlite_connection.h"
#include "store/sqlite/template_copy.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using store::EngineError;

QByteArray path(const QString& name) {
    return QFile::encodeName(name);
}

mode_t modeOf(const QString& name) {
    struct stat info {};
    return ::lstat(path(name).constData(), &info) == 0 ? info.st_mode : 0;
}

QByteArray contents(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<gone>");
}

/// What `f` raised: its number (0 for nothing) and its text.
struct Raised {
    int number = 0;
    QString text;
};
Raised raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const EngineError& e) {
        return {e.number(), e.text()};
    }
    return {};
}

/// One statement on the file through SQLite alone, as another tool would.
QString rawSql(const QString& file, const char* sql, sqlite3** keepOpen = nullptr) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (keepOpen)
        *keepOpen = db;
    else
        sqlite3_close(db);
    return out;
}

class SharedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("office")));
        // A file of the victim's outside the register's folder.
        QFile secret(victim());
        ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
        secret.write("private\n");
        secret.close();
        ASSERT_EQ(::chmod(path(victim()).constData(), 0600), 0);
    }

    QString office(const QString& name) const {
        return dir_.filePath(QStringLiteral("office/") + name);
    }
    QString reg() const { return office(QStringLiteral("Veld.MDB")); }
    QString victim() const { return dir_.filePath(QStringLiteral("secret")); }

    void plantLink(const QString& name, const QString& to) const {
        ASSERT_EQ(::symlink(path(to).constData(), path(name).constData()), 0) << name.toStdString();
    }

    /// The victim's file exactly as it was made.
    void expectVictimUntouched() const {
        EXPECT_EQ(modeOf(victim()) & 07777, 0600u);
        EXPECT_EQ(contents(victim()), QByteArray("private\n"));
    }

    void addDocuments(const store::Database& db, int count) const {
        for (int i = 1; i <= count; ++i)
            db.execute(QStringLiteral("INSERT INTO Documents (ID, Description) VALUES (%1, 'd%1')")
                           .arg(i));
    }

    QTemporaryDir dir_;
};

TEST_F(SharedFolder, PlantedLockFileIsRefusedNamingItAndNeverChanged) {
    // A register folder reached through a link is an ordinary one.
    plantLink(dir_.filePath(QStringLiteral("linked")), office({}));
    const QString throughLink = dir_.filePath(QStringLiteral("linked/Veld.MDB"));
    EXPECT_EQ(store::copyTemplateOnce(QStringLiteral(TEMPLATE_FILE), throughLink),
              store::TemplateCopy::Created);
    store::Database::open(throughLink);
    QFile::remove(reg());
    QFile::remove(reg() + QStringLiteral(".lck"));

    store::Database::create(reg());
    QFile::remove(reg() + QStringLiteral(".lck"));
    plantLink(reg() + QStringLiteral(".lck"), victim());
    const Raised e = raised([&] { store::Database::open(reg()); });
    EXPECT_TRUE(e.text.contains(QStringLiteral("Veld.MDB.lck"))) << e.text.toStdString();
    expectVictimUntouched();

    // A FIFO in its place is refused too, without waiting for a writer.
    QFile::remove(reg() + QStringLiteral(".lck"));
    ASSERT_EQ(::mkfifo(path(reg() + QStringLiteral(".lck")).constData(), 0666), 0);
    EXPECT_THROW(store::Database::open(reg()), EngineError);
    EXPECT_TRUE(S_ISFIFO(modeOf(reg() + QStringLiteral(".lck"))));
}

TEST_F(SharedFolder, PlantedHoldersFolderAndNotesAreNeitherFollowedNorEmptied) {
    store::Database::create(reg());
    // The holders folder is a link to a folder of the victim's holding a
    // file named as a note would be.
    const QString elsewhere = dir_.filePath(QStringLiteral("papers"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    const QString paper = elsewhere + QStringLiteral("/host.1.0");
    QFile(paper).open(QIODevice::WriteOnly);
    plantLink(reg() + QStringLiteral(".holders"), elsewhere);
    {
        store::RowLocks mine(reg()), other(reg());
        ASSERT_TRUE(mine.tryLock(0, 7));
        EXPECT_TRUE(other.heldByOther(0, 7));
        EXPECT_FALSE(other.holderOf(0, 7).has_value()) << "no holder is named";
    }
    EXPECT_TRUE(QFile::exists(paper)) << "nothing in the linked folder is removed";
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files).size(), 1);

    // A real holders folder sprayed with links under the names notes get
    // (this process's id and the next ones) and a stranger's file.
    QFile::remove(reg() + QStringLiteral(".holders"));
    const QString holders = reg() + QStringLiteral(".holders");
    ASSERT_TRUE(QDir().mkdir(holders));
    const QString host = QSysInfo::machineHostName();
    for (int n = 0; n < 4; ++n)
        plantLink(holders + QStringLiteral("/%1.%2.%3").arg(host).arg(::getpid()).arg(n), victim());
    const QString stranger = holders + QStringLiteral("/README");
    QFile(stranger).open(QIODevice::WriteOnly);
    {
        store::RowLocks mine(reg()), other(reg());
        ASSERT_TRUE(mine.tryLock(0, 7));
        const auto holder = other.holderOf(0, 7);
        EXPECT_TRUE(holder.has_value()) << "the holder's own note is made beside the links";
    }
    expectVictimUntouched();
    EXPECT_TRUE(QFile::exists(stranger)) << "only notes are ever removed";
    EXPECT_EQ(QDir(holders).entryList(QDir::Files | QDir::System).size(), 5)
        << "the links and the stranger's file stay, the note goes";
}

TEST_F(SharedFolder, BackupNeverReplacesALinkAPipeOrADevice) {
    const store::Database db = store::Database::create(reg());
    addDocuments(db, 2);
    // A link under the old, guessable temporary names is never followed.
    const QString backup = office(QStringLiteral("backup.MDB"));
    plantLink(office(QStringLiteral(".backup.MDB.tmp.%1.%2.0")
                         .arg(QSysInfo::machineHostName().replace('.', '_'))
                         .arg(::getpid())),
              victim());
    EXPECT_EQ(store::backUpRegister(db, backup).documents, 2);
    expectVictimUntouched();

    const QString link = office(QStringLiteral("link.MDB"));
    const QString fifo = office(QStringLiteral("fifo.MDB"));
    plantLink(link, victim());
    ASSERT_EQ(::mkfifo(path(fifo).constData(), 0666), 0);
    QStringList targets{link, fifo};
    const QString device = office(QStringLiteral("null.MDB"));
    if (::mknod(path(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        targets << device; // only root may make one
    for (const QString& target : targets) {
        const mode_t before = modeOf(target);
        const Raised e = raised([&] { store::backUpRegister(db, target); });
        EXPECT_TRUE(e.text.contains(target)) << e.text.toStdString();
        EXPECT_EQ(modeOf(target), before) << target.toStdString();
    }
    expectVictimUntouched();
    EXPECT_TRUE(QDir(office({})).entryList({QStringLiteral(".*.tmp.*")}, QDir::Files).isEmpty());
}

// The same folder prepared by another account (nobody) for a program run
// by root: the kernel's own guards for links in shared folders do not
// apply in a folder without the sticky bit, and root may chmod anything.
TEST_F(SharedFolder, AnotherAccountsPlantsChangeNothingOutsideTheRegister) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second account";
    ASSERT_EQ(::chmod(path(dir_.path()).constData(), 0711), 0);
    ASSERT_EQ(::chmod(path(office({})).constData(), 0777), 0);
    const store::Database db = store::Database::create(reg());
    addDocuments(db, 1);
    const QString papers = dir_.filePath(QStringLiteral("papers"));
    ASSERT_TRUE(QDir().mkdir(papers));
    QFile(papers + QStringLiteral("/host.1.0")).open(QIODevice::WriteOnly);
    const QString fifo = office(QStringLiteral("backup.MDB"));
    // What the co-worker leaves in the folder, as that account.
    const pid_t child = ::fork();
    if (child == 0) {
        const bool planted =
            ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
            ::symlink(path(victim()).constData(),
                      path(office(QStringLiteral("Other.MDB.lck"))).constData()) == 0 &&
            ::symlink(path(papers).constData(),
                      path(office(QStringLiteral("Other.MDB.holders"))).constData()) == 0 &&
            ::mkdir(path(reg() + QStringLiteral(".holders")).constData(), 0777) == 0 &&
            ::chmod(path(reg() + QStringLiteral(".holders")).constData(), 0777) == 0 &&
            ::mkfifo(path(fifo).constData(), 0666) == 0;
        ::_exit(planted ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "nobody could not plant";

    // A copy of the register under the name the planted links are for.
    const QString other = office(QStringLiteral("Other.MDB"));
    ASSERT_TRUE(QFile::copy(reg(), other));
    const Raised lock = raised([&] { store::Database::open(other); });
    EXPECT_TRUE(lock.text.contains(QStringLiteral("Other.MDB.lck"))) << lock.text.toStdString();
    ASSERT_TRUE(QFile::remove(other + QStringLiteral(".lck")));
    {
        // Its holders folder is a link to a folder of the victim's.
        store::RowLocks mine(other), theirs(other);
        ASSERT_TRUE(mine.tryLock(0, 1));
        EXPECT_FALSE(theirs.holderOf(0, 1).has_value());
    }
    {
        // The register's own holders folder lets in writers the register
        // (0644) does not: no note is written there, no holder named.
        store::RowLocks mine(reg()), theirs(reg());
        ASSERT_TRUE(mine.tryLock(0, 1));
        EXPECT_FALSE(theirs.holderOf(0, 1).has_value());
    }
    EXPECT_TRUE(QDir(reg() + QStringLiteral(".holders")).isEmpty());
    EXPECT_FALSE(raised([&] { store::backUpRegister(db, fifo); }).text.isEmpty());
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    expectVictimUntouched();
    EXPECT_TRUE(QFile::exists(papers + QStringLiteral("/host.1.0")));
}

TEST_F(SharedFolder, DamagedFileFailsABulkRead) {
    {
        const store::Database db = store::Database::create(reg());
        addDocuments(db, 6);
    }
    // Eight zero bytes into the documents table's first page: SQLite then
    // reads the table as empty while its indexes still list every row.
    QFile file(reg());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(4100));
    file.write(QByteArray(8, '\0'));
    file.close();

    const store::Database db = store::Database::open(reg());
    const auto list = db.openRecordset(QStringLiteral("SELECT ID FROM Documents ORDER BY ID"),
                                       store::RecordsetType::Snapshot);
    const Raised e = raised([&] { store::ReadSnapshot snapshot(db); });
    EXPECT_EQ(e.number, store::err::NotADatabase);
    EXPECT_TRUE(e.text.contains(QStringLiteral("damaged"))) << e.text.toStdString();
    EXPECT_FALSE(db.connection()->inTransaction());
}

TEST_F(SharedFolder, RegisterSwitchedToWalGoesBackToTheRollbackJournal) {
    {
        const store::Database db = store::Database::create(reg());
        addDocuments(db, 3);
    }
    EXPECT_EQ(rawSql(reg(), "PRAGMA journal_mode = WAL"), QStringLiteral("wal"));
    {
        // Alone: switched back when opened.
        const store::Database db = store::Database::open(reg());
        EXPECT_EQ(rawSql(reg(), "PRAGMA journal_mode"), QStringLiteral("delete"));
    }

    // Another program keeps it open in WAL: refused, saying why.
    EXPECT_EQ(rawSql(reg(), "PRAGMA journal_mode = WAL"), QStringLiteral("wal"));
    sqlite3* other = nullptr;
    rawSql(reg(), "SELECT count(*) FROM Documents", &other);
    const Raised e = raised([&] { store::Database::open(reg()); });
    EXPECT_TRUE(e.text.contains(QStringLiteral("write-ahead"))) << e.text.toStdString();

    // A backup taken from a connection still in WAL is in rollback mode.
    {
        store::SqliteConnection source(reg(), SQLITE_OPEN_READWRITE);
        const QString copy = office(QStringLiteral("copy.MDB"));
        store::createNewFile(copy);
        store::backUpRegisterFile(source, copy);
        EXPECT_EQ(rawSql(copy, "PRAGMA journal_mode"), QStringLiteral("delete"));
        EXPECT_EQ(rawSql(copy, "SELECT count(*) FROM Documents"), QStringLiteral("3"));
    }
    sqlite3_close(other);
}

} // namespace
