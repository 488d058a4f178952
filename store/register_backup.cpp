// Backing up a register into a checked register file (see
// register_backup.h).

#include "register_backup.h"

#include "backend.h"
#include "connection.h"
#include "engine_error.h"
#include "sqlite/sqlite_backup.h"
#include "sqlite/template_copy.h"

#include <QDir>
#include <QFileInfo>
#include <future>

namespace store {

namespace {

/// The file as it will be reached: its real folder, its own name.
QString realName(const QFileInfo& file) {
    return file.exists()
               ? file.canonicalFilePath()
               : QDir(file.absolutePath()).canonicalPath() + QLatin1Char('/') + file.fileName();
}

/// The chosen file's absolute name, once it is known to be a place for a
/// backup; raises EngineError before anything is written otherwise.
QString checkedTarget(const Database& source, const QString& file, ExistingBackup existing) {
    const QFileInfo info(file);
    const QString name = info.absoluteFilePath();
    if (file.isEmpty())
        throw EngineError(err::FileNotFound, QStringLiteral("No file was named for the backup."));
    if (!QFileInfo(info.absolutePath()).isDir())
        throw EngineError(
            err::FileNotFound,
            QStringLiteral("The folder '%1' does not exist.").arg(info.absolutePath()));
    if (info.isDir())
        throw EngineError(err::IoError, QStringLiteral("'%1' is a folder.").arg(name));
    // A link, a device or a pipe under the name is never written through
    // nor replaced, whatever it points to.
    requireRegularOrMissing(name);
    if (info.exists() && existing == ExistingBackup::Refuse)
        throw EngineError(
            err::IoError,
            QStringLiteral("The file '%1' exists already; it was left as it was.").arg(name));
    // Replacing the register, its journal or its lock file under its users
    // would lose their work and their reservations.
    const Backend& backend = source.connection()->backend();
    if (backend.isFile()) {
        const QString target = realName(info);
        for (const QString& own : backend.filesOf(realName(QFileInfo(source.location()))))
            if (target == own)
                throw EngineError(err::IoError,
                                  QStringLiteral("'%1' belongs to the register being backed up; "
                                                 "choose another file.")
                                      .arg(name));
    }
    return name;
}

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

BackupOutcome backUpRegister(const Database& source, const QString& file, ExistingBackup existing) {
    try {
        const QString target = checkedTarget(source, file, existing);
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
        publishCopy(temp.file, target, existing == ExistingBackup::Replace);
        temp.named = true;
        requireSameCopy(target, made); // what was named is the copy checked
        out.file = target;
        return out;
    } catch (const EngineError& e) {
        throw EngineError(e.number(), QStringLiteral("No backup was written to '%1': %2")
                                          .arg(QFileInfo(file).absoluteFilePath(), e.text()));
    }
}

} // namespace store
