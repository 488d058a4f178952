// Tests of RowLocks: record reservations between users, in one process
// (two RowLocks on one file) and across processes (the store_peer helper).
// Each test works in its own temporary folder; the register file itself is
// never created, since only its lock file is used. The cross-process tests
// start short-lived helper processes and take well under a second.

#include "peer.h"
#include "store/engine_error.h"
#include "store/sqlite/row_lock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using store::EngineError;
using store::RowLocks;

constexpr std::int64_t MaxRowId = (std::int64_t{1} << 48) - 1;

struct Row {
    int table;
    std::int64_t id;
};

std::string describe(const Row& row) {
    return "table " + std::to_string(row.table) + " row " + std::to_string(row.id);
}

class RowLockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString database() const { return dir_.filePath(QStringLiteral("register.mdb")); }
    QString lockFile() const { return database() + QStringLiteral(".lck"); }

    QStringList peerArguments(const char* command, const Row& row) const {
        return {QString::fromLatin1(command), database(), QString::number(row.table),
                QString::number(row.id)};
    }

    /// The lock file's inode, or 0 when it does not exist.
    ino_t lockFileInode() const {
        struct stat info {};
        if (::stat(QFile::encodeName(lockFile()).constData(), &info) != 0) {
            return 0;
        }
        return info.st_ino;
    }

    QTemporaryDir dir_;
};

// Two RowLocks on one file are two users. Each case: the first takes `held`,
// then the second asks for `asked`. Neighbouring bytes and tables are
// included so that a lock wider than one byte is caught.
TEST_F(RowLockTest, TwoObjectsExcludeEachOtherOnTheSameRowOnly) {
    struct Case {
        Row held;
        Row asked;
        bool free;
    };
    const Case cases[] = {
        {{1, 5}, {1, 5}, false},
        {{0, 0}, {0, 0}, false},
        {{255, MaxRowId}, {255, MaxRowId}, false},
        {{1, 5}, {1, 6}, true},
        {{1, 6}, {1, 5}, true},
        {{1, 5}, {2, 5}, true},
        {{2, 5}, {1, 5}, true},
        {{0, MaxRowId}, {1, 0}, true},
        {{1, 0}, {0, MaxRowId}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c.held) + " then " + describe(c.asked));
        RowLocks first(database());
        RowLocks second(database());
        ASSERT_TRUE(first.tryLock(c.held.table, c.held.id));
        EXPECT_TRUE(first.tryLock(c.held.table, c.held.id)) << "retaking an own row";
        EXPECT_FALSE(first.heldByOther(c.held.table, c.held.id)) << "own row seen as another's";
        EXPECT_EQ(second.heldByOther(c.asked.table, c.asked.id), !c.free);
        EXPECT_EQ(second.tryLock(c.asked.table, c.asked.id), c.free);
    }
}

TEST_F(RowLockTest, ProbingTakesNothing) {
    RowLocks first(database());
    RowLocks second(database());
    EXPECT_FALSE(first.heldByOther(3, 42));
    EXPECT_TRUE(second.tryLock(3, 42));
    EXPECT_FALSE(first.tryLock(3, 42));
}

// Rows 5 and 6 held together form one range in the kernel; releasing one of
// them must split it and leave the other held.
TEST_F(RowLockTest, UnlockFreesExactlyThatRow) {
    RowLocks first(database());
    RowLocks second(database());
    ASSERT_TRUE(first.tryLock(1, 5));
    ASSERT_TRUE(first.tryLock(1, 6));
    ASSERT_TRUE(first.tryLock(1, 6)); // taken twice, still one release frees it

    first.unlock(1, 5);
    EXPECT_TRUE(second.tryLock(1, 5));
    EXPECT_FALSE(second.tryLock(1, 6));

    first.unlock(1, 6);
    EXPECT_TRUE(second.tryLock(1, 6));
    EXPECT_FALSE(first.tryLock(1, 6));

    first.unlock(1, 7); // a row never taken: nothing to release, no error
    EXPECT_FALSE(second.heldByOther(1, 7));
}

TEST_F(RowLockTest, DestroyingTheHolderReleasesAllItsRows) {
    auto holder = std::make_unique<RowLocks>(database());
    RowLocks other(database());
    ASSERT_TRUE(holder->tryLock(1, 10));
    ASSERT_TRUE(holder->tryLock(2, 20));
    ASSERT_FALSE(other.tryLock(1, 10));

    holder.reset();
    EXPECT_TRUE(other.tryLock(1, 10));
    EXPECT_TRUE(other.tryLock(2, 20));
}

// Classic POSIX record locks would be dropped by any close() of the file in
// this process; these must not be.
TEST_F(RowLockTest, ClosingAnotherDescriptorOfTheFileKeepsTheRows) {
    RowLocks holder(database());
    ASSERT_TRUE(holder.tryLock(1, 1));
    {
        QFile stray(lockFile());
        ASSERT_TRUE(stray.open(QIODevice::ReadOnly));
    }
    RowLocks other(database());
    EXPECT_FALSE(other.tryLock(1, 1));
}

TEST_F(RowLockTest, LockFileIsNeverReplaced) {
    auto keeper = std::make_unique<RowLocks>(database());
    const ino_t inode = lockFileInode();
    ASSERT_NE(inode, ino_t{0}) << "lock file not created";
    for (int i = 0; i < 50; ++i) {
        RowLocks user(database());
        ASSERT_TRUE(user.tryLock(1, i));
        user.unlock(1, i);
        ASSERT_TRUE(user.tryLock(2, i));
        ASSERT_EQ(lockFileInode(), inode) << "cycle " << i;
    }
    keeper.reset();
    EXPECT_EQ(lockFileInode(), inode) << "lock file removed or replaced after the last user";
    RowLocks later(database());
    EXPECT_EQ(lockFileInode(), inode);
}

// A pair that cannot be encoded is refused by every operation, and must not
// reserve some other row's byte on the way.
TEST_F(RowLockTest, RowsOutOfRangeAreRefused) {
    const Row bad[] = {
        {-1, 0},
        {256, 0},
        {std::numeric_limits<int>::max(), 0},
        {0, -1},
        {0, MaxRowId + 1},
        {0, std::numeric_limits<std::int64_t>::max()},
        {0, std::numeric_limits<std::int64_t>::min()},
    };
    RowLocks first(database());
    RowLocks second(database());
    for (const Row& row : bad) {
        SCOPED_TRACE(describe(row));
        EXPECT_THROW(first.tryLock(row.table, row.id), EngineError);
        EXPECT_THROW(first.unlock(row.table, row.id), EngineError);
        EXPECT_THROW(first.heldByOther(row.table, row.id), EngineError);
    }
    // MaxRowId + 1 or a masked id would alias these rows.
    EXPECT_TRUE(second.tryLock(1, 0));
    EXPECT_TRUE(second.tryLock(0, 0));
    EXPECT_TRUE(second.tryLock(0, MaxRowId));
}

TEST_F(RowLockTest, RowHeldByAnotherProcessIsRefusedUntilReleased) {
    Peer peer(peerArguments("lock", {4, 77}));
    ASSERT_EQ(peer.readLine(), "LOCKED");

    RowLocks ours(database());
    EXPECT_TRUE(ours.heldByOther(4, 77));
    EXPECT_FALSE(ours.tryLock(4, 77));
    EXPECT_TRUE(ours.tryLock(4, 78));

    EXPECT_EQ(peer.release(), 0);
    EXPECT_FALSE(ours.heldByOther(4, 77));
    EXPECT_TRUE(ours.tryLock(4, 77));
}

TEST_F(RowLockTest, AnotherProcessSeesOurRowsHeld) {
    RowLocks ours(database());
    ASSERT_TRUE(ours.tryLock(4, 77));
    {
        Peer peer(peerArguments("lock", {4, 77}));
        EXPECT_EQ(peer.readLine(), "REFUSED");
    }
    {
        Peer probe(peerArguments("held", {4, 77}));
        EXPECT_EQ(probe.readLine(), "HELD");
    }
    ours.unlock(4, 77);
    Peer probe(peerArguments("held", {4, 77}));
    EXPECT_EQ(probe.readLine(), "FREE");
}

TEST_F(RowLockTest, KilledHolderLeavesNoStaleReservation) {
    Peer peer(peerArguments("lock", {1, 9}));
    ASSERT_EQ(peer.readLine(), "LOCKED");
    RowLocks ours(database());
    ASSERT_FALSE(ours.tryLock(1, 9));

    peer.kill();
    EXPECT_TRUE(eventually([&] { return ours.tryLock(1, 9); }))
        << "row still held 2 s after its holder was killed";
}

// A program started while rows are held must not inherit the descriptor:
// it would keep those rows reserved after their user let them go.
TEST_F(RowLockTest, ChildProcessesDoNotInheritRows) {
    auto holder = std::make_unique<RowLocks>(database());
    ASSERT_TRUE(holder->tryLock(1, 3));
    Peer child(peerArguments("lock", {1, 4}));
    ASSERT_EQ(child.readLine(), "LOCKED");

    holder.reset();
    RowLocks other(database());
    EXPECT_TRUE(other.tryLock(1, 3)) << "the running child process still holds the row";
}

TEST_F(RowLockTest, LockFileThatCannotBeOpenedRaisesIoError) {
    // The register "lies" inside a regular file, so its lock file's folder
    // is not a folder at all (ENOTDIR, whoever runs the test).
    const QString notAFolder = dir_.filePath(QStringLiteral("plain"));
    {
        QFile file(notAFolder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString registerFile = notAFolder + QStringLiteral("/register.mdb");
    try {
        RowLocks locks(registerFile);
        FAIL() << "opened a lock file below a regular file";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.number(), store::err::IoError);
        EXPECT_TRUE(e.text().contains(registerFile + QStringLiteral(".lck"))) << e.what();
        EXPECT_TRUE(e.text().contains(QString::fromLocal8Bit(std::strerror(ENOTDIR)))) << e.what();
    }
}

TEST_F(RowLockTest, LockFileWithoutWritePermissionRaisesNoPermission) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permission checks do not apply to root";
    }
    struct Case {
        const char* name;
        std::function<void(const QString& folder)> prepare; ///< removes write access
    };
    const Case cases[] = {
        {"read-only folder",
         [](const QString& folder) {
             ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
         }},
        {"read-only lock file",
         [](const QString& folder) {
             QFile file(folder + QStringLiteral("/register.mdb.lck"));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = dir_.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(QDir().mkpath(folder));
        c.prepare(folder);
        const QString registerFile = folder + QStringLiteral("/register.mdb");
        try {
            RowLocks locks(registerFile);
            ADD_FAILURE() << "opened a lock file without write permission";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.number(), store::err::NoPermission);
            EXPECT_TRUE(e.text().contains(registerFile + QStringLiteral(".lck"))) << e.what();
        }
        // Let QTemporaryDir clean up.
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }
}

} // namespace
