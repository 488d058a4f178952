// A user who may only read the register: a read-only file, a read-only
// folder, or a server role with nothing but SELECT. The register opens read
// only, every way of changing it is refused with the engine's read-only
// error and changes nothing, no reservation or file is made beside it, and
// reading, backing up and copying it work. Permissions do not bind root:
// the file cases skip there and run once more as nobody
// (tests/run_unprivileged.sh).

#include "store/register_backup.h"
#include "store/register_copy.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

namespace {

class ReadOnlyRegister : public RegisterTest {
protected:
    void SetUp() override {
        if (!onServer() && ::geteuid() == 0)
            GTEST_SKIP() << "permissions do not bind root";
        RegisterTest::SetUp();
        if (IsSkipped())
            return;
        addType(QStringLiteral("Letter"));
        add({1, QStringLiteral("first")});
        add({2, QStringLiteral("second")});
        db = {}; // the owner's program has ended
    }
    void TearDown() override {
        if (!onServer())
            for (const QString& p : {location(), place.folder()})
                QFile::setPermissions(p, QFile::permissions(p) | QFile::WriteOwner);
        if (!reader.isEmpty())
            place.serverSql(QStringLiteral("DROP OWNED BY %1; DROP ROLE %1").arg(reader));
    }

    /// How a reader reaches the register in each case.
    struct Case {
        QString what;
        QString location;
    };
    std::vector<Case> readerCases() {
        if (onServer()) {
            reader = QStringLiteral("reader_") + place.database();
            EXPECT_EQ(place.serverSql(
                          QStringLiteral("CREATE ROLE %1 LOGIN; "
                                         "GRANT SELECT ON ALL TABLES IN SCHEMA public TO %1; "
                                         "GRANT SELECT ON ALL SEQUENCES IN SCHEMA public TO %1")
                              .arg(reader)),
                      QString());
            return {{QStringLiteral("a role that may only select"), place.uriAs(reader)}};
        }
        return {{QStringLiteral("a read-only file"), location()},
                {QStringLiteral("a read-only folder"), location()}};
    }
    /// Takes the write permission away for the file cases, one after the
    /// other: the file first, then (the file writable again) its folder.
    void prepare(const Case& c) {
        if (onServer())
            return;
        const bool folder = c.what.contains(QLatin1String("folder"));
        const QString file = location();
        const auto rw = QFile::ReadOwner | QFile::WriteOwner;
        QFile::setPermissions(file, folder ? rw : QFileDevice::Permissions(QFile::ReadOwner));
        QFile::setPermissions(place.folder(),
                              folder ? QFile::ReadOwner | QFile::ExeOwner : rw | QFile::ExeOwner);
    }
    QStringList besideTheRegister() const {
        return QDir(place.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    QString reader;
};

TEST_F(ReadOnlyRegister, OpensReadOnlyRefusesEveryChangeAndStillBacksUpAndCopies) {
    QTemporaryDir elsewhere;
    int n = 0;
    for (const Case& c : readerCases()) {
        SCOPED_TRACE(c.what.toStdString());
        prepare(c);
        const QStringList before = besideTheRegister();
        {
            const store::Database ro = store::Database::open(c.location);
            EXPECT_TRUE(ro.readOnly());
            auto docs = ro.openRecordset(QStringLiteral("SELECT * FROM Documents ORDER BY ID"));
            EXPECT_EQ(column(*docs, QStringLiteral("Description")),
                      (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
            EXPECT_NO_THROW(ro.openRecordset(QStringLiteral("SELECT * FROM DocumentHistory"),
                                             store::RecordsetType::Snapshot));

            // Every way of changing the register is refused as read only.
            auto table = ro.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
            const auto refused = [](const std::function<void()>& change) {
                try {
                    change();
                } catch (const store::EngineError& e) {
                    EXPECT_TRUE(e.text().contains(QLatin1String("read only")))
                        << e.text().toStdString();
                    return e.number();
                }
                return 0;
            };
            EXPECT_EQ(refused([&] { table->addNew(); }), store::err::ReadOnly);
            EXPECT_EQ(refused([&] { table->edit(); }), store::err::ReadOnly);
            EXPECT_EQ(refused([&] { table->deleteCurrent(); }), store::err::ReadOnly);
            EXPECT_EQ(refused([&] { store::Transaction t(ro); }), store::err::ReadOnly);
            EXPECT_EQ(refused([&] { ro.execute(QStringLiteral("DELETE FROM Documents")); }),
                      store::err::ReadOnly);
            EXPECT_EQ(refused([&] {
                          auto types = ro.openRecordset(QStringLiteral("Types"),
                                                        store::RecordsetType::Table);
                          types->addNew();
                      }),
                      store::err::ReadOnly);

            // A backup and a copy read it whole.
            const QString backup = elsewhere.filePath(QStringLiteral("backup%1.mdb").arg(n));
            const store::BackupOutcome saved = store::backUpRegister(ro, backup);
            EXPECT_EQ(saved.documents, 2);
            EXPECT_EQ(saved.types, 1);
            const QString copy = elsewhere.filePath(QStringLiteral("copy%1.mdb").arg(n++));
            const store::CopyOutcome copied =
                store::copyRegister(ro, copy, QStringLiteral(TEMPLATE_FILE));
            EXPECT_EQ(copied.documents, 2);
            EXPECT_EQ(copied.documentCounter, 2);
        }
        EXPECT_EQ(besideTheRegister(), before) << "nothing is made beside the register";
    }
    // The owner finds everything as it was.
    if (!onServer())
        for (const QString& p : {location(), place.folder()})
            QFile::setPermissions(p, QFile::permissions(p) | QFile::WriteOwner);
    db = store::Database::open(location());
    EXPECT_FALSE(db.readOnly());
    EXPECT_EQ(query(QStringLiteral("SELECT ID FROM Documents ORDER BY ID")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
}

} // namespace
