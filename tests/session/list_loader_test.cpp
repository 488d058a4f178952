// The list loader: a load reports the first screen's keys, then the whole
// list's, both as the register's own recordset orders them; a newer load
// or a cancel silences the one before it; a failure comes back as the
// engine's error; a loader destroyed while it reads ends at once.

#include "session/list_loader.h"
#include "support/register_fixture.h"

#include <QCoreApplication>
#include <QSignalSpy>

using store::query::Op;
using store::query::Select;

namespace {

class ListLoaderTest : public RegisterTest {
protected:
    void SetUp() override {
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        for (int i = 1; i <= 30; ++i)
            add({i, QStringLiteral("%1 %2")
                        .arg(i % 3 ? QLatin1String("invoice") : QLatin1String("letter"))
                        .arg(i)});
    }

    static Select matching(const QString& pattern) {
        Select q{QStringLiteral("Documents")};
        q.where({QStringLiteral("Description"), Op::Like, pattern})
            .orderBy(QStringLiteral("ID"), true);
        return q;
    }

    /// The keys of a signal's arguments.
    static std::vector<qint64> keysOf(const QList<QVariant>& arguments) {
        return arguments.at(1).value<std::vector<qint64>>();
    }

    int argc = 1;
    char name[8] = "tests";
    char* argv[1] = {name};
    // Queued signals need an event loop to arrive by.
    QCoreApplication app{argc, argv};
};

TEST_F(ListLoaderTest, FirstScreenThenTheWholeListInTheRecordsetsOrder) {
    session::ListLoader loader(location());
    QSignalSpy first(&loader, &session::ListLoader::firstRows);
    QSignalSpy all(&loader, &session::ListLoader::allRows);
    const Select q = matching(QStringLiteral("*INVOICE*"));
    const std::vector<qint64> expected = db.readKeys(q);
    ASSERT_EQ(expected.size(), 20u);

    const quint64 g = loader.load(q, 5);
    EXPECT_TRUE(loader.busy());
    ASSERT_TRUE(loader.waitForIdle());
    EXPECT_FALSE(loader.busy());
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0][0].toULongLong(), g);
    EXPECT_EQ(keysOf(first[0]), std::vector<qint64>(expected.begin(), expected.begin() + 5));
    EXPECT_FALSE(first[0][2].toBool());
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all[0][0].toULongLong(), g);
    EXPECT_EQ(keysOf(all[0]), expected);

    // A screen that holds the whole list is all there is; delivered by the
    // event loop this time.
    const quint64 g2 = loader.load(q, 25);
    EXPECT_GT(g2, g);
    ASSERT_TRUE(first.wait(10000));
    EXPECT_EQ(keysOf(first[1]), expected);
    EXPECT_TRUE(first[1][2].toBool());
    EXPECT_FALSE(loader.busy());
    QCoreApplication::processEvents();
    EXPECT_EQ(all.size(), 1);
}

TEST_F(ListLoaderTest, OnlyTheLatestLoadIsReported) {
    session::ListLoader loader(location());
    QSignalSpy first(&loader, &session::ListLoader::firstRows);
    QSignalSpy all(&loader, &session::ListLoader::allRows);
    QSignalSpy failed(&loader, &session::ListLoader::failed);
    loader.load(matching(QStringLiteral("*letter*")), 2);
    const quint64 latest = loader.load(matching(QStringLiteral("*invoice 1*")), 2);
    ASSERT_TRUE(loader.waitForIdle());
    QCoreApplication::processEvents();
    EXPECT_EQ(failed.size(), 0);
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(first[0][0].toULongLong(), latest);
    EXPECT_EQ(keysOf(all[0]), db.readKeys(matching(QStringLiteral("*invoice 1*"))));

    // A cancelled load says nothing, and the loader is idle at once.
    loader.load(matching(QStringLiteral("*")), 2);
    loader.cancel();
    EXPECT_FALSE(loader.busy());
    EXPECT_TRUE(loader.waitForIdle(0));
    // A failure is the engine's error, for the user's thread to show.
    Select wrong = matching(QStringLiteral("*"));
    wrong.where({QStringLiteral("NoSuchField"), Op::Equal, 1});
    const quint64 g = loader.load(wrong, 2);
    ASSERT_TRUE(loader.waitForIdle());
    QCoreApplication::processEvents();
    EXPECT_EQ(first.size(), 1);
    EXPECT_EQ(all.size(), 1);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toULongLong(), g);
    EXPECT_EQ(errorOf([&] { std::rethrow_exception(failed[0][1].value<std::exception_ptr>()); }),
              store::err::ItemNotFound);
}

TEST_F(ListLoaderTest, ALoaderDestroyedWhileReadingEndsCleanly) {
    for (int rows : {0, 1, 100}) {
        auto loader = std::make_unique<session::ListLoader>(location());
        loader->load(matching(QStringLiteral("*e*")), rows);
        loader.reset();
        QCoreApplication::processEvents();
    }
    // The register is left free for others.
    add({31, QStringLiteral("after")});
    EXPECT_EQ(db.readKeys(matching(QStringLiteral("after"))).size(), 1u);
}

} // namespace
