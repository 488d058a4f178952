// Making a register from the template: the copy is whole and usable, the
// template is checked before the register gets its name, processes racing
// in an empty folder end with one register all of them open, and the
// temporary files of killed starts are cleared.

#include "store/sqlite/template_copy.h"
#include "support/register_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace {

const QString templateFile = QStringLiteral(TEMPLATE_FILE);

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString hostPart() {
    char buf[256] = {};
    gethostname(buf, sizeof buf - 1);
    return QString::fromLocal8Bit(buf).replace('.', '_');
}

void touch(const QString& name, int ageSeconds) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("partial");
    f.close();
    const time_t when = time(nullptr) - ageSeconds;
    const utimbuf times{when, when};
    ASSERT_EQ(utime(QFile::encodeName(name).constData(), &times), 0);
}

} // namespace

TEST(TemplateCopy, MakesAWholeRegisterOnceAndLeavesNoTemporaries) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Veld.MDB"));
    EXPECT_EQ(store::copyTemplateOnce(templateFile, target), store::TemplateCopy::Created);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("Veld.MDB")});
    auto db = store::Database::open(target);
    EXPECT_EQ(db.integrityCheck(), QStringLiteral("ok"));
    // A second call finds the file there and leaves it alone.
    EXPECT_EQ(store::copyTemplateOnce(templateFile, target), store::TemplateCopy::MadeByOther);
    EXPECT_EQ(entries(dir.path()), (QStringList{"Veld.MDB", "Veld.MDB.lck"}));
}

TEST(TemplateCopy, BadTemplatesLeaveNothingBehind) {
    QTemporaryDir dir, src;
    const QString target = dir.filePath(QStringLiteral("Veld.MDB"));
    const QString garbage = src.filePath(QStringLiteral("VeldDef.MDB"));
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    const std::pair<QString, int> cases[] = {
        {garbage, store::err::NotADatabase},
        {src.filePath(QStringLiteral("missing.MDB")), store::err::FileNotFound}};
    for (const auto& [from, number] : cases) {
        try {
            store::copyTemplateOnce(from, target);
            ADD_FAILURE() << "no error for " << from.toStdString();
        } catch (const store::EngineError& e) {
            EXPECT_EQ(e.number(), number);
            EXPECT_TRUE(e.text().contains(from)) << e.text().toStdString();
        }
        EXPECT_TRUE(entries(dir.path()).isEmpty());
    }
}

TEST(TemplateCopy, RacingProcessesEndWithOneRegisterAllOpen) {
    constexpr int processes = 6;
    for (int round = 0; round < 10; ++round) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Veld.MDB"));
        int gate[2];
        ASSERT_EQ(pipe(gate), 0);
        std::vector<pid_t> children;
        for (int p = 0; p < processes; ++p) {
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                close(gate[1]);
                char c;
                (void)!read(gate[0], &c, 1); // all start when the gate closes
                int status = 3;
                try {
                    const auto made = store::copyTemplateOnce(templateFile, target);
                    auto db = store::Database::open(target);
                    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents"));
                    status =
                        rs->recordCount() == 0 ? (made == store::TemplateCopy::Created ? 0 : 1) : 4;
                } catch (...) {
                    status = 2;
                }
                _exit(status);
            }
            children.push_back(pid);
        }
        close(gate[0]);
        close(gate[1]);
        int created = 0, joined = 0;
        for (pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status));
            const int code = WEXITSTATUS(status);
            ASSERT_TRUE(code == 0 || code == 1) << "child status " << code;
            (code == 0 ? created : joined)++;
        }
        EXPECT_EQ(created, 1);
        EXPECT_EQ(joined, processes - 1);
        EXPECT_EQ(entries(dir.path()), (QStringList{"Veld.MDB", "Veld.MDB.lck"}));
        EXPECT_EQ(store::Database::open(target).integrityCheck(), QStringLiteral("ok"));
    }
}

TEST(TemplateCopy, StaleTemporariesOfKilledStartsAreCleared) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Veld.MDB"));
    const QString prefix = dir.filePath(store::templateCopyPrefix(target));
    // A process that has ended: its pid is free.
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const QString host = hostPart();
    struct Case {
        QString name;
        int age;
        bool removed;
    };
    const Case cases[] = {
        {prefix + QStringLiteral("%1.%2.0").arg(host).arg(gone), 5, true},       // dead here
        {prefix + QStringLiteral("%1.%2.0").arg(host).arg(getppid()), 5, false}, // alive
        {prefix + QStringLiteral("otherhost.%1.0").arg(gone), 5, false},         // can't tell
        {prefix + QStringLiteral("otherhost.%1.1").arg(gone), 3600, true},       // too old
        {dir.filePath(QStringLiteral("Unrelated.tmp")), 3600, false},
    };
    for (const Case& c : cases)
        touch(c.name, c.age);
    EXPECT_EQ(store::clearStaleTemplateCopies(target), 2);
    for (const Case& c : cases)
        EXPECT_EQ(QFileInfo::exists(c.name), !c.removed) << c.name.toStdString();
    // Making the register clears them too, and still succeeds.
    touch(prefix + QStringLiteral("%1.%2.7").arg(host).arg(gone), 1);
    EXPECT_EQ(store::copyTemplateOnce(templateFile, target), store::TemplateCopy::Created);
    EXPECT_FALSE(QFileInfo::exists(prefix + QStringLiteral("%1.%2.7").arg(host).arg(gone)));
}
