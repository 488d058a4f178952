#pragma once
// What a window does with a stored file besides showing it: open it with
// the desktop's own application, or save it under a name the user picks.
// Both read the file back on a worker's connection (never on the user's
// thread) and check it against its hash while reading: a damaged file is
// reported and never handed out.
//
// Open writes a private, read-only copy (documents::PrivateCopy, kept
// until the program ends) and hands its URL to QDesktopServices. Save As
// writes the chosen file as the list's export does: a regular file is
// replaced only once the whole file is there, a link or a device is never
// written through.
//
// Failures are told over `window` in a message box. Threading: the
// user's thread; the work on `worker`.

class QWidget;

namespace session {
class DatabaseWorker;
}
namespace store {
struct StoredFile;
}

namespace editor {

void openStoredFile(session::DatabaseWorker& worker, QWidget* window,
                    const store::StoredFile& file);
/// Asks for the name first (a save dialog proposing the file's own name
/// in the home folder); nothing happens when the user cancels.
void saveStoredFileAs(session::DatabaseWorker& worker, QWidget* window,
                      const store::StoredFile& file);

} // namespace editor
