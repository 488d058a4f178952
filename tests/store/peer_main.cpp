// store_peer: a second user in another process, driven by the engine-layer
// tests.
//
// Usage: store_peer <command> <operands...>. Each command is one entry of
// the table below: its name, its operands and the function that runs it.
// A command reports on stdout, one word per line, flushed at once, so a test
// can wait for the line it expects:
//   lock <databaseFile> <table> <rowId>  "LOCKED" or "REFUSED", then holds
//                                        the row until stdin says "release"
//                                        or is closed
//   held <databaseFile> <table> <rowId>  "HELD" or "FREE", then exits
//   edit <databaseFile> <recordPtr>      opens the register as a user, puts
//                                        the document into edit: "EDITING"
//                                        (held until released, then the
//                                        edit is cancelled) or an error
//   add <databaseFile> <firstId> <count> files documents with the IDs
//                                        firstId.. one commit each, "ADDED"
//   make <register>                      opens the register, making it first
//                                        when it is missing (no template:
//                                        servers only), "OPEN"
//   file-once <register> <id>            the editor's Update: in one write
//                                        transaction, tests that no document
//                                        has the ID, waits 200 ms, files one:
//                                        "STORED" or "DUPLICATE"
//   pairs <register> <firstId>           files documents two at a time, each
//                                        pair in one transaction with their
//                                        history, from firstId on: "FILING"
//                                        after the first pair,
//                                        "FILED <documents>" once released
//   stage <register> <file>              stages the file; "STAGING" once its
//                                        first part is stored, then waits
//                                        (to be killed)
//   attach <register> <id> <file>        stages the file whole and, in one
//                                        write transaction, files a document
//                                        with the ID holding it: "FILING",
//                                        then waits there (to be killed)
// <databaseFile> and <register> may be a server URI.
// An EngineError prints "ERROR <number> <text>" and exits 1; a malformed
// command line prints its usage on stderr and exits 2. A command that holds
// something until released calls waitForRelease(), so a test that is killed
// or forgets the peer never leaves it running: closing stdin ends it.

#include "store/database.h"
#include "store/document_files.h"
#include "store/document_history.h"
#include "store/engine_error.h"
#include "store/file_chunks.h"
#include "store/recordset.h"
#include "store/register.h"
#include "store/sqlite/row_lock.h"
#include "store/transaction.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

/// A command line the peer cannot read; main() prints the usage.
struct UsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

/// Writes one protocol line and flushes it, since the test is waiting on it.
void report(const QString& line) {
    std::cout << line.toStdString() << '\n' << std::flush;
}

/// Blocks until stdin delivers a line "release" or reaches its end (the test
/// closed its end of the pipe, or died).
void waitForRelease() {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "release") {
            return;
        }
    }
}

std::int64_t integerOperand(const QString& text, std::int64_t low, std::int64_t high) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < low || value > high) {
        throw UsageError("not a number in range: " + text.toStdString());
    }
    return value;
}

/// The operands shared by the row-lock commands.
struct RowOperands {
    QString databaseFile;
    int table;
    std::int64_t rowId;
};

RowOperands rowOperands(const QStringList& operands) {
    using Limits = std::numeric_limits<int>;
    using Limits64 = std::numeric_limits<std::int64_t>;
    // Ranges are left wide on purpose: RowLocks itself refuses a bad row.
    return {operands[0],
            static_cast<int>(integerOperand(operands[1], Limits::min(), Limits::max())),
            integerOperand(operands[2], Limits64::min(), Limits64::max())};
}

int runLock(const QStringList& operands) {
    const RowOperands row = rowOperands(operands);
    store::RowLocks locks(row.databaseFile);
    report(locks.tryLock(row.table, row.rowId) ? QStringLiteral("LOCKED")
                                               : QStringLiteral("REFUSED"));
    waitForRelease();
    return 0;
}

int runHeld(const QStringList& operands) {
    const RowOperands row = rowOperands(operands);
    store::RowLocks locks(row.databaseFile);
    report(locks.heldByOther(row.table, row.rowId) ? QStringLiteral("HELD")
                                                   : QStringLiteral("FREE"));
    return 0;
}

int runEdit(const QStringList& operands) {
    const auto db = store::Database::open(operands[0]);
    const auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    rs->setIndex(QStringLiteral("RecordPtr"));
    rs->seek(QStringLiteral("="), QVariant(static_cast<qlonglong>(integerOperand(
                                      operands[1], 1, std::numeric_limits<int>::max()))));
    if (rs->noMatch()) {
        report(QStringLiteral("NOTFOUND"));
        return 1;
    }
    rs->edit();
    report(QStringLiteral("EDITING"));
    waitForRelease();
    rs->cancelUpdate();
    return 0;
}

int runAdd(const QStringList& operands) {
    const auto db = store::Database::open(operands[0]);
    const auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    const std::int64_t first = integerOperand(operands[1], 0, std::numeric_limits<int>::max());
    const std::int64_t count = integerOperand(operands[2], 0, 1000000);
    for (std::int64_t i = 0; i < count; ++i) {
        rs->addNew();
        rs->setField(QStringLiteral("ID"), static_cast<int>(first + i));
        rs->setField(QStringLiteral("Description"), QStringLiteral("peer %1").arg(first + i));
        rs->update();
    }
    report(QStringLiteral("ADDED"));
    return 0;
}

int runMake(const QStringList& operands) {
    store::openRegister(operands[0], {});
    report(QStringLiteral("OPEN"));
    return 0;
}

int runFileOnce(const QStringList& operands) {
    const auto db = store::Database::open(operands[0]);
    const int id =
        static_cast<int>(integerOperand(operands[1], 0, std::numeric_limits<int>::max()));
    store::Transaction t(db);
    const auto same = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = ?"),
                                       store::RecordsetType::Snapshot, {id});
    if (!same->eof()) {
        report(QStringLiteral("DUPLICATE"));
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    rs->addNew();
    rs->setField(QStringLiteral("ID"), id);
    rs->setField(QStringLiteral("Description"), QStringLiteral("filed once"));
    rs->update();
    t.commit();
    report(QStringLiteral("STORED"));
    return 0;
}

int runPairs(const QStringList& operands) {
    const auto db = store::Database::open(operands[0]);
    const auto first =
        static_cast<int>(integerOperand(operands[1], 0, std::numeric_limits<int>::max() / 2));
    std::atomic<bool> released{false};
    std::thread stdinWatch([&released] {
        waitForRelease();
        released = true;
    });
    const auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    int filed = 0;
    try {
        while (!released) {
            store::Transaction t(db);
            for (int k = 0; k < 2; ++k, ++filed) {
                store::DocumentFields fields;
                fields.id = first + filed;
                fields.description = QStringLiteral("pair %1").arg(filed / 2);
                rs->addNew();
                rs->setField(QStringLiteral("ID"), fields.id);
                rs->setField(QStringLiteral("Description"), fields.description);
                rs->update();
                store::historyAdded(db, rs->lastModified(), fields);
            }
            t.commit();
            if (filed == 2)
                report(QStringLiteral("FILING"));
        }
    } catch (...) {
        stdinWatch.detach(); // still reading stdin; the process ends now
        throw;
    }
    stdinWatch.join();
    report(QStringLiteral("FILED %1").arg(filed));
    return 0;
}

int runStage(const QStringList& operands) {
    const auto db = store::Database::open(operands[0]);
    store::stageFile(db, operands[1], [](qint64, qint64) {
        report(QStringLiteral("STAGING"));
        waitForRelease();
        return false;
    });
    return 0;
}

int runAttach(const QStringList& operands) {
    const auto db = store::Database::open(operands[0]);
    const store::StagedFile staged = store::stageFile(db, operands[2]);
    store::Transaction t(db);
    const auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    rs->addNew();
    rs->setField(QStringLiteral("ID"), static_cast<int>(integerOperand(operands[1], 0, 1 << 30)));
    rs->update();
    store::files::attachStaged(db, rs->lastModified(), operands[1].toInt(), staged);
    report(QStringLiteral("FILING"));
    waitForRelease();
    return 0;
}

/// One command of the protocol. Adding a command is one more row in
/// `commands`.
struct Command {
    const char* name;                        ///< first argument naming the command
    const char* operands;                    ///< operand list, shown in the usage text
    int operandCount;                        ///< exact number of operands after the name
    int (*run)(const QStringList& operands); ///< does the work; returns the exit code
};

constexpr Command commands[] = {
    {"lock", "<databaseFile> <table> <rowId>", 3, runLock},
    {"held", "<databaseFile> <table> <rowId>", 3, runHeld},
    {"edit", "<databaseFile> <recordPtr>", 2, runEdit},
    {"add", "<databaseFile> <firstId> <count>", 3, runAdd},
    {"make", "<register>", 1, runMake},
    {"file-once", "<register> <id>", 2, runFileOnce},
    {"pairs", "<register> <firstId>", 2, runPairs},
    {"stage", "<register> <file>", 2, runStage},
    {"attach", "<register> <id> <file>", 3, runAttach},
};

int usage() {
    std::cerr << "usage:\n";
    for (const Command& command : commands) {
        std::cerr << "  store_peer " << command.name << ' ' << command.operands << '\n';
    }
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::span<char*> args(argv, static_cast<std::size_t>(argc));
    if (args.size() < 2) {
        return usage();
    }
    const std::string name = args[1];
    for (const Command& command : commands) {
        if (name != command.name) {
            continue;
        }
        if (args.size() - 2 != static_cast<std::size_t>(command.operandCount)) {
            return usage();
        }
        QStringList operands;
        for (char* arg : args.subspan(2)) {
            // File names come from the command line in the local encoding.
            operands << QFile::decodeName(arg);
        }
        try {
            return command.run(operands);
        } catch (const UsageError& e) {
            std::cerr << "store_peer: " << e.what() << '\n';
            return usage();
        } catch (const store::EngineError& e) {
            report(QStringLiteral("ERROR %1 %2").arg(e.number()).arg(e.text()));
            return 1;
        }
    }
    return usage();
}
