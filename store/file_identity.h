#pragma once
// Which file a name stands for, told apart from a link or another file put
// in its place: the checks made before and after writing a file the user
// named or one beside a shared register, where someone else may swap what
// a name points to between two steps.

#include <QString>
#include <QtGlobal>

namespace store {

/// Which file a name stood for when this program made it (device and inode).
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
};

/// The regular file `file` names (not through a link); zeros otherwise.
FileIdentity identityOf(const QString& file);

/// True while `file` still names the very file `identity` stands for, and
/// not a link or another file put in its place.
bool isFile(const QString& file, FileIdentity identity);

/// Raises EngineError naming `file` when it exists and is not a regular
/// file: a link, a folder, a device or a pipe is never replaced.
void requireRegularOrMissing(const QString& file);

} // namespace store
