// Storing a backup as a register file (see sqlite_backup.h): written under
// a temporary name beside the chosen file, checked, flushed and named.

#include "../engine_error.h"
#include "../register_backup.h"
#include "sqlite_backup.h"
#include "template_copy.h"

#include <future>

namespace store {

namespace {

/// Raises EngineError unless `file` still names the copy made.
void requireSameCopy(const QString& file, FileIdentity made) {
    if (!isFile(file, made))
        throw EngineError(err::IoError,
                          QStringLiteral("'%1' was replaced by another file while the backup "
                                         "was written; it was not checked and is not the backup.")
                              .arg(file));
}

qint64 rowsIn(const TableRows& rows, const QString& table) {
    for (const auto& [name, count] : rows)
        if (name.compare(table, Qt::CaseInsensitive) == 0)
            return count;
    return -1;
}

/// Opens the copy as a register, then checks it against the source's
/// counts.
BackupOutcome checkedCopy(const QString& temp, const TableRows& source) {
    Database::open(temp); // refused unless it is a register this program opens
    const CopyCheck check = checkRegisterFile(temp);
    if (check.integrity != QLatin1String("ok"))
        throw EngineError(
            err::NotADatabase,
            QStringLiteral("the copy failed its integrity check: %1").arg(check.integrity));
    for (const auto& [table, rows] : source)
        if (const qint64 copied = rowsIn(check.rows, table); copied != rows)
            throw EngineError(err::IoError,
                              QStringLiteral("the copy holds %1 rows in '%2' where the register "
                                             "held %3.")
                                  .arg(copied)
                                  .arg(table)
                                  .arg(rows));
    BackupOutcome out;
    out.documents = rowsIn(check.rows, QStringLiteral("Documents"));
    out.types = rowsIn(check.rows, QStringLiteral("Types"));
    return out;
}

/// Removes the temporary copy, its journal and lock file, unless named.
struct TemporaryCopy {
    QString file;
    bool named = false;
    ~TemporaryCopy() {
        if (!named)
            removeTemporaryCopy(file);
    }
};

} // namespace

BackupOutcome storeBackupFile(const Database& source, const QString& target, bool replace) {
    clearStaleTemplateCopies(target); // what killed backups left
    TemporaryCopy temp{temporaryCopyName(target)};
    FileIdentity made;
    const TableRows rows = source.connection()->backend().backUp(source, temp.file, made);
    // The copy goes to disk while it is checked: the check reads the
    // same pages from memory, so the two hardly slow each other.
    auto flushed = std::async(std::launch::async, [&temp] { flushCopy(temp.file); });
    requireSameCopy(temp.file, made);
    BackupOutcome out = checkedCopy(temp.file, rows);
    flushed.get(); // a failed flush fails the backup
    // The check opened the copy, which made it a lock file of its own.
    removeLockFile(temp.file);
    requireSameCopy(temp.file, made);
    publishCopy(temp.file, target, replace);
    temp.named = true;
    requireSameCopy(target, made); // what was named is the copy checked
    out.file = target;
    return out;
}

} // namespace store
