#pragma once
// Making a register file from the template so that nobody ever sees a
// half-copied file, even when several copies of the program start at the
// same moment in an empty folder or a start is killed part way.
//
// The template is copied to a temporary name in the target's folder that
// carries the host name and process id (".Veld.MDB.tmp.<host>.<pid>.<n>"),
// flushed to disk, checked to be a register, and then link()ed to the final
// name: link() never replaces a file, so exactly one copy wins and the
// others (EEXIST) use the winner's file. The folder is flushed after the
// link and the temporary name removed. Temporary files that killed starts
// left behind are removed first: those whose process is gone on this host,
// and any older than ten minutes. Cost: one file copy and three fsyncs.
//
// Other copies of a register that must appear whole or not at all (a
// backup) use the same temporary names and the same last step
// (publishCopy), which may also replace an existing file.

#include "../file_identity.h"

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <functional>

namespace store {

enum class TemplateCopy {
    Created,     ///< this call made the file from the template
    MadeByOther, ///< another process linked it first; its file is used
};

/// Makes `target` from `templateFile` if `target` does not exist. When
/// `fill` is given it is called with the temporary copy's file name before
/// the copy gets its final name (the first-start import fills it there), so
/// `target` appears complete or not at all. Raises EngineError naming the
/// file and the cause when the template cannot be read, is not a register,
/// or the folder cannot be written, and passes on whatever `fill` raises;
/// on failure nothing is left behind.
TemplateCopy copyTemplateOnce(const QString& templateFile, const QString& target,
                              const std::function<void(const QString& file)>& fill = {});

/// Removes temporary copies for `target` left by starts that were killed:
/// those of dead processes on this host and those older than `maxAge`.
/// Returns how many were removed. Never raises.
int clearStaleTemplateCopies(const QString& target,
                             std::chrono::seconds maxAge = std::chrono::minutes(10));

/// The prefix of the temporary names used for `target` (".Veld.MDB.tmp.").
QString templateCopyPrefix(const QString& target);

/// A new temporary name in `target`'s folder for a copy being made of it
/// (".Veld.MDB.tmp.<host>.<pid>.<random>"), which nobody can guess before
/// it is made; clearStaleTemplateCopies() removes it once its process is
/// gone.
QString temporaryCopyName(const QString& target);

/// `fileName` with its folder's real path (no link in it) and its own name
/// as given: SQLite, told never to follow a link, refuses one anywhere in
/// a name, while only the file's own name is beside a shared register.
QString realFolderName(const QString& fileName);

/// Makes the new, empty file `file` (mode 0644 less the umask), never
/// through a link nor over anything already there; raises EngineError
/// naming it ("the file exists" when it does).
FileIdentity createNewFile(const QString& file);

/// Removes a temporary copy with the journal and lock file that opening
/// it may have left beside it. Never raises.
void removeTemporaryCopy(const QString& file);

/// Removes the lock file that opening the register file `file` made beside
/// it, where nobody else has it open (a copy not yet named). Never raises.
void removeLockFile(const QString& file);

/// Flushes the copy `temp` to disk; raises EngineError naming it and the
/// cause. publishCopy() flushes too, at next to no cost once this has.
void flushCopy(const QString& temp);

/// Gives the finished copy `temp` its final name `target` in the same
/// folder: flushes it to disk, renames it over `target` when `replace`
/// (removing a journal the replaced file left behind), else links it (refused with err::IoError
/// when `target` exists, which is then left as it was) and removes the temporary name; then flushes
/// the folder. Raises EngineError naming the file and the cause.
void publishCopy(const QString& temp, const QString& target, bool replace);

} // namespace store
