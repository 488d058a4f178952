// stress_worker: one user of a shared register, run as a separate process by
// the stress and crash tests. It works only through the engine layer, with
// the statements and the transaction shapes the program's windows use.
//
//   stress_worker stress <db> <dir> <index> <seconds>
//       random work for the given time; journal<index>.txt lists the IDs
//       stored and deleted (see journal.h), fail<index>.txt every error that
//       is not a refusal, stats<index>.txt the counts at a normal end.
//   stress_worker hold-lock <db> <ID> <readyFile>
//       holds the row with that ID by edit(), makes readyFile, waits to die.
//   stress_worker copy-template <template> <target>
//       makes target from the template (store::copyTemplateOnce).
//   stress_worker import <db> <folder>
//       files the legacy register in folder into db (ConvertLegacyFiles).
//   stress_worker first-start <template> <target> <folder>
//       start-up's first start: the template copied under a temporary name,
//       the legacy register filed into it, then the final name given.
//   stress_worker store-loop <db> <journal> <firstID>
//       stores documents one transaction each, journalling each after its
//       commit, until killed.
//
// Exit status 0 on success, 2 for wrong arguments, 3 for a failure.

#include "journal.h"
#include "legacy/legacy_import.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/sqlite/template_copy.h"
#include "store/transaction.h"

#include <QDate>
#include <QFile>
#include <QTextStream>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace {

using store::EngineError;
using store::RecordsetType;
namespace err = store::err;

/// IDs 1..SharedIDs may be stored by any steady worker, so that the
/// duplicate check has something to refuse; above that each worker owns
/// the range starting at (index + 1) * RangeSize.
constexpr int SharedIDs = 300;
constexpr int RangeSize = 1'000'000;

/// An append-only text file, flushed after every line so that a kill
/// loses nothing written before it.
class LineFile {
public:
    explicit LineFile(const QString& name) : f_(std::fopen(name.toLocal8Bit().constData(), "a")) {}
    ~LineFile() {
        if (f_)
            std::fclose(f_);
    }
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    void line(const QString& text) {
        if (!f_)
            return;
        std::fputs(text.toUtf8().constData(), f_);
        std::fputc('\n', f_);
        std::fflush(f_);
    }

private:
    std::FILE* f_;
};

/// Counts kept by a stress run.
struct Counts {
    long ops = 0;       ///< operations attempted
    long locked = 0;    ///< 3260: another user holds the row
    long busy = 0;      ///< 3218: the file stayed locked past the wait
    long deleted = 0;   ///< 3167: the row was deleted by another user
    long duplicate = 0; ///< the ID check found the ID in use
    long typeTaken = 0; ///< the types window's check found the name in use
    long typeInUse = 0; ///< a type was not deleted because documents use it
    long failures = 0;  ///< anything else
};

bool anyRows(const store::Database& db, const QString& sql) {
    auto rs = db.openRecordset(sql, RecordsetType::Snapshot);
    return !(rs->eof() && rs->bof());
}

/// A random existing type number, 0 when there is none.
int randomType(const store::Database& db, std::mt19937& rng) {
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Types"), RecordsetType::Snapshot);
    const int n = rs->rowCount();
    if (n == 0)
        return 0;
    return rs->valueAt(int(rng() % unsigned(n)), QStringLiteral("RecordPtr")).toInt();
}

class StressRun {
public:
    StressRun(const QString& db, const QString& dir, int index)
        : db_(store::Database::open(db)), index_(index),
          journal_(dir + QStringLiteral("/journal%1.txt").arg(index)),
          failLog_(dir + QStringLiteral("/fail%1.txt").arg(index)), rng_(std::random_device{}()) {
        const stress::JournalState s =
            stress::readJournal(dir + QStringLiteral("/journal%1.txt").arg(index));
        nextID_ = std::max(s.highest + 1, (index + 1) * RangeSize);
        for (const auto& [id, e] : s.ids)
            if (e == stress::Entry::Present)
                own_.push_back(id);
    }

    void run(std::chrono::seconds length) {
        const auto until = std::chrono::steady_clock::now() + length;
        while (std::chrono::steady_clock::now() < until)
            step();
    }

    const Counts& counts() const { return n_; }

private:
    void step() {
        ++n_.ops;
        const unsigned pick = rng_() % 100;
        try {
            if (pick < 25)
                addDocument();
            else if (pick < 50)
                changeDocument();
            else if (pick < 60 || own_.size() > 400)
                deleteDocument();
            else if (pick < 85)
                filteredList();
            else if (pick < 90)
                addType();
            else if (pick < 95)
                deleteType();
            else
                holdAndRelease();
        } catch (const EngineError& e) {
            switch (e.number()) {
            case err::RecordLocked:
                ++n_.locked;
                break;
            case err::DatabaseBusy:
                ++n_.busy;
                break;
            case err::RecordDeleted:
                ++n_.deleted;
                break;
            default:
                fail(QStringLiteral("%1 %2").arg(e.number()).arg(e.text()));
            }
        } catch (const std::exception& e) {
            fail(QString::fromLocal8Bit(e.what()));
        }
    }

    void fail(const QString& what) {
        ++n_.failures;
        failLog_.line(what);
    }

    void pause(int maxMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(rng_() % unsigned(maxMs + 1)));
    }

    /// The editor's Update for a new row: the duplicate check, the type
    /// lookup and the store in one transaction.
    void addDocument() {
        const bool shared = index_ < 4 && rng_() % 4 == 0;
        const int id = shared ? int(1 + rng_() % SharedIDs) : nextID_++;
        auto rs =
            db_.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = %1").arg(id));
        rs->addNew();
        {
            store::Transaction tx(db_);
            if (anyRows(db_, QStringLiteral("SELECT * FROM Documents  WHERE RecordPtr <> 0 "
                                            "AND ID = %1")
                                 .arg(id))) {
                ++n_.duplicate;
                rs->cancelUpdate();
                return;
            }
            rs->setField(QStringLiteral("ID"), id);
            rs->setField(QStringLiteral("Description"),
                         QStringLiteral("w%1 document %2").arg(index_).arg(id));
            rs->setField(QStringLiteral("Who"), QStringLiteral("ann%1").arg(rng_() % 7));
            rs->setField(QStringLiteral("Note"), QString(int(rng_() % 300), QLatin1Char('x')));
            rs->setField(QStringLiteral("Date"), QDate(2001, 1, 1).addDays(int(rng_() % 9000)));
            rs->setField(QStringLiteral("DocumentType"), randomType(db_, rng_));
            rs->update();
            journal_.line(QStringLiteral("?+%1").arg(id));
            tx.commit();
        }
        journal_.line(QStringLiteral("+%1").arg(id));
        own_.push_back(id);
    }

    /// A table cursor on the list's index, put on some row of anyone's.
    store::RecordsetPtr someRow() {
        auto rs = db_.openRecordset(QStringLiteral("Documents"), RecordsetType::Table);
        rs->setIndex(QStringLiteral("DocumentID"));
        rs->seek(QStringLiteral(">="), int(rng_() % (6 * RangeSize)));
        if (rs->noMatch())
            rs->moveFirst();
        return rs;
    }

    /// The editor's Update for an existing row: the row is held while the
    /// user types, then checked and stored in one transaction.
    void changeDocument() {
        auto rs = someRow();
        if (rs->eof())
            return;
        rs->edit();
        pause(10);
        store::Transaction tx(db_);
        const int ptr = rs->field(QStringLiteral("RecordPtr")).toInt();
        const int id = rs->field(QStringLiteral("ID")).toInt();
        if (anyRows(db_,
                    QStringLiteral("SELECT * FROM Documents  WHERE RecordPtr <> %1 AND ID = %2")
                        .arg(ptr)
                        .arg(id))) {
            fail(QStringLiteral("ID %1 is stored twice").arg(id));
            return;
        }
        rs->setField(QStringLiteral("Description"),
                     QStringLiteral("w%1 changed %2").arg(index_).arg(id));
        rs->setField(QStringLiteral("Who"), QStringLiteral("bob%1").arg(rng_() % 7));
        rs->setField(QStringLiteral("DocumentType"), randomType(db_, rng_));
        rs->update();
        tx.commit();
    }

    void deleteDocument() {
        if (own_.empty())
            return;
        const std::size_t at = rng_() % own_.size();
        const int id = own_[at];
        auto rs =
            db_.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = %1").arg(id));
        if (rs->eof()) {
            fail(QStringLiteral("stored ID %1 is missing").arg(id));
            own_.erase(own_.begin() + long(at));
            return;
        }
        journal_.line(QStringLiteral("?-%1").arg(id));
        try {
            rs->deleteCurrent();
        } catch (const EngineError& e) {
            // A refused delete changed nothing: the row is still there.
            if (e.number() == err::RecordLocked || e.number() == err::DatabaseBusy)
                journal_.line(QStringLiteral("+%1").arg(id));
            throw;
        }
        journal_.line(QStringLiteral("-%1").arg(id));
        own_.erase(own_.begin() + long(at));
    }

    /// The main window's filtered lists, walked as the grid reads them.
    void filteredList() {
        static const char* const lists[] = {
            "SELECT * FROM Documents ORDER BY ID",
            "SELECT * FROM Documents  WHERE Description LIKE '*changed*' ORDER BY ID DESC",
            "SELECT * FROM Documents  WHERE Who LIKE '*ann3*' AND Note LIKE '*xx*' ORDER BY ID",
            "SELECT * FROM Documents  WHERE Date > #1/1/2020# ORDER BY Description",
            "SELECT * FROM Documents  WHERE Date IS NULL ORDER BY ID",
            "SELECT * FROM Documents  WHERE DocumentType = 1 ORDER BY Who",
        };
        auto rs = db_.openRecordset(QString::fromLatin1(lists[rng_() % std::size(lists)]));
        const int rows = std::min(rs->rowCount(), 200);
        for (int r = 0; r < rows; ++r)
            (void)rs->valueAt(r, QStringLiteral("Description"));
        for (int r = 0; r < 20 && !rs->eof(); ++r) {
            (void)rs->field(QStringLiteral("ID"));
            rs->moveNext();
        }
    }

    /// The types window's Add: the duplicate check and the store in one
    /// transaction.
    void addType() {
        const QString name = QStringLiteral("T%1_%2").arg(index_).arg(rng_() % 40);
        auto types = db_.openRecordset(QStringLiteral("Types"), RecordsetType::Table);
        store::Transaction tx(db_);
        if (anyRows(db_, QStringLiteral("SELECT * FROM Types WHERE Type = '%1'").arg(name))) {
            ++n_.typeTaken;
            return;
        }
        types->addNew();
        types->setField(QStringLiteral("Type"), name);
        types->update();
        tx.commit();
    }

    /// The types window's Delete: the in-use check and the delete in one
    /// transaction, so no document is left with a type that is gone.
    void deleteType() {
        auto types = db_.openRecordset(QStringLiteral("SELECT * FROM Types"));
        if (types->rowCount() == 0)
            return;
        types->setAbsolutePosition(int(rng_() % unsigned(types->rowCount())));
        const int ptr = types->field(QStringLiteral("RecordPtr")).toInt();
        store::Transaction tx(db_);
        if (anyRows(
                db_,
                QStringLiteral("SELECT TOP 1 * FROM Documents WHERE DocumentType = %1").arg(ptr))) {
            ++n_.typeInUse;
            return;
        }
        types->deleteCurrent();
        tx.commit();
    }

    void holdAndRelease() {
        auto rs = someRow();
        if (rs->eof())
            return;
        rs->edit();
        pause(20);
        rs->cancelUpdate();
    }

    store::Database db_;
    int index_;
    LineFile journal_;
    LineFile failLog_;
    std::mt19937 rng_;
    int nextID_ = 0;
    std::vector<int> own_; ///< IDs this worker stored and may delete
    Counts n_;
};

int stressMain(const QStringList& a) {
    if (a.size() != 4)
        return 2;
    StressRun run(a[0], a[1], a[2].toInt());
    run.run(std::chrono::seconds(a[3].toInt()));
    const Counts& n = run.counts();
    QFile f(a[1] + QStringLiteral("/stats%1.txt").arg(a[2]));
    if (!f.open(QIODevice::WriteOnly))
        return 3;
    QTextStream(&f) << n.ops << ' ' << n.locked << ' ' << n.busy << ' ' << n.deleted << ' '
                    << n.duplicate << ' ' << n.typeTaken << ' ' << n.typeInUse << ' ' << n.failures
                    << '\n';
    return 0;
}

int holdLockMain(const QStringList& a) {
    if (a.size() != 3)
        return 2;
    const store::Database db = store::Database::open(a[0]);
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = ") + a[1]);
    rs->edit();
    QFile ready(a[2]);
    if (!ready.open(QIODevice::WriteOnly))
        return 3;
    ready.close();
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

int storeLoopMain(const QStringList& a) {
    if (a.size() != 3)
        return 2;
    const store::Database db = store::Database::open(a[0]);
    LineFile journal(a[1]);
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 0"));
    for (int id = a[2].toInt();; ++id) {
        store::Transaction tx(db);
        rs->addNew();
        rs->setField(QStringLiteral("ID"), id);
        rs->setField(QStringLiteral("Description"), QStringLiteral("stored %1").arg(id));
        rs->setField(QStringLiteral("Note"), QString(2000, QLatin1Char('n')));
        rs->update();
        tx.commit();
        journal.line(QString::number(id));
    }
}

} // namespace

int main(int argc, char** argv) {
    QStringList a;
    for (int i = 2; i < argc; ++i)
        a << QString::fromLocal8Bit(argv[i]);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    try {
        if (mode == QLatin1String("stress"))
            return stressMain(a);
        if (mode == QLatin1String("hold-lock"))
            return holdLockMain(a);
        if (mode == QLatin1String("store-loop"))
            return storeLoopMain(a);
        if (mode == QLatin1String("copy-template") && a.size() == 2) {
            store::copyTemplateOnce(a[0], a[1]);
            return 0;
        }
        if (mode == QLatin1String("first-start") && a.size() == 3) {
            store::copyTemplateOnce(a[0], a[1], [&](const QString& file) {
                legacy::ConvertLegacyFiles(store::Database::open(file), a[2]);
            });
            return 0;
        }
        if (mode == QLatin1String("import") && a.size() == 2) {
            legacy::ConvertLegacyFiles(store::Database::open(a[0]), a[1]);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "stress_worker %s: %s\n", argv[1], e.what());
        return 3;
    }
    std::fprintf(stderr, "stress_worker: unknown mode or wrong arguments\n");
    return 2;
}
