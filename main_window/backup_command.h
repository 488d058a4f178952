#pragma once
// File > Back Up Register...: a save dialog titled "Back Up Register" asks
// where (proposing "Veld backup YYYY-MM-DD.MDB", today's date, in the home
// folder), the engine writes a checked backup of the open register there
// while other users go on working (store/register_backup.h), and a message
// box says where the backup is and how many documents it holds, or why it
// was not made. Replacing an existing file is what the dialog asked the
// user to confirm. Works alike on a register file and a server register.
//
// Threading: user-interface thread only; the window waits for the backup
// (a second or so for a register file of 10^5 documents).

#include <QDate>
#include <QString>

class QMenu;
class QWidget;

/// The file name the dialog proposes on `today`.
QString proposedBackupFile(const QDate& today);

/// Adds the command to the File menu `file` as the action "mnuFileBackUp",
/// backing up the program's open register (session::program::dbMain) with
/// `window` as the parent of its dialog and message boxes.
void addBackUpCommand(QMenu* file, QWidget* window);
