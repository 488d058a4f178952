// An import killed half-way (SIGKILL, no clean-up of any kind) leaves the
// database empty and intact, never partly filled, and an import run again
// afterwards files everything. The import runs in a forked child that kills
// itself at a chosen moment, or is killed by this process after a delay.

#include "legacy/legacy_import.h"
#include "legacy_files.h"

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace legacy;

namespace {

constexpr int Records = 6000;

class KilledImport : public LegacyFolder {
protected:
    void SetUp() override {
        LegacyFolder::SetUp();
        QList<LegacyEntry> entries;
        for (int i = 1; i <= Records; ++i)
            entries << entry(QString::number(i), "doc", QStringLiteral("T%1").arg(i % 50),
                             QStringLiteral("note %1").arg(i));
        write(entries);
        store::Database::create(database());
    }
    QString database() const { return dir.filePath(QStringLiteral("Veld.MDB")); }

    /// Runs the import in a child; `killAt` (a step count, or -1 for the
    /// moment before commit) makes the child SIGKILL itself. Returns the
    /// child's wait status.
    int importInChild(int killAt, int parentKillsAfterMicroseconds = 0) {
        const pid_t pid = fork();
        if (pid == 0) {
            struct Killer : LegacyProgress {
                explicit Killer(int at) : at_(at) {}
                void step(int filed) override {
                    if (filed / ProgressEvery == at_)
                        raise(SIGKILL);
                }
                void committing() override {
                    if (at_ == -1)
                        raise(SIGKILL);
                }
                int at_;
            } killer(killAt);
            try {
                ConvertLegacyFiles(store::Database::open(database()), folder(), &killer);
            } catch (...) {
                _exit(3);
            }
            _exit(0);
        }
        if (parentKillsAfterMicroseconds > 0) {
            usleep(static_cast<useconds_t>(parentKillsAfterMicroseconds));
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return status;
    }

    /// Documents in the database, after checking it is intact.
    int documents() {
        const auto db = store::Database::open(database());
        EXPECT_EQ(db.integrityCheck(), QStringLiteral("ok"));
        return countOf(db, "Documents");
    }
};

TEST_F(KilledImport, AtAnyStepLeavesNothingThenARerunFilesAll) {
    for (int killAt : {1, 3, 5, -1}) {
        const int status = importInChild(killAt);
        ASSERT_TRUE(WIFSIGNALED(status)) << killAt;
        EXPECT_EQ(WTERMSIG(status), SIGKILL);
        EXPECT_EQ(documents(), 0) << "killed at step " << killAt;
        EXPECT_EQ(countOf(store::Database::open(database()), "Types"), 0);
    }
    const auto db = store::Database::open(database());
    const LegacyImportResult r = ConvertLegacyFiles(db, folder());
    EXPECT_EQ(r.scan.delivered, Records);
    EXPECT_EQ(countOf(db, "Documents"), Records);
    EXPECT_EQ(countOf(db, "Types"), 50);
}

TEST_F(KilledImport, AtRandomMomentsLeavesAllOrNothing) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delay(1000, 150000);
    for (int trial = 0; trial < 8; ++trial) {
        importInChild(0, delay(random));
        const int n = documents();
        EXPECT_TRUE(n == 0 || n == Records) << "trial " << trial << ": " << n << " documents";
        if (n == Records) {
            const auto db = store::Database::open(database());
            db.execute(QStringLiteral("DELETE FROM Documents"));
            db.execute(QStringLiteral("DELETE FROM Types"));
        }
    }
}

} // namespace
