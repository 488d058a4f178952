// Backing up a register into a checked register file (see
// register_backup.h).

#include "register_backup.h"

#include "backend.h"
#include "connection.h"
#include "engine_error.h"
#include "file_identity.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace

BackupOutcome backUpRegister(const Database& source, const QString& file, ExistingBackup existing) {
    try {
        const QString target = checkedTarget(source, file, existing);
        return backupBackend().storeBackup(source, target, existing == ExistingBackup::Replace);
    } catch (const EngineError& e) {
        throw EngineError(e.number(), QStringLiteral("No backup was written to '%1': %2")
                                          .arg(QFileInfo(file).absoluteFilePath(), e.text()));
    }
}

} // namespace store
