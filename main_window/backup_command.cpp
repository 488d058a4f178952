// File > Back Up Register... (see backup_command.h).

#include "backup_command.h"

#include "platform/dates/today.h"
#include "platform/dialogs/failure_box.h"
#include "session/program_state.h"
#include "store/register_backup.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>

namespace {

/// Shows the wait cursor while the backup runs.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void backUp(QWidget* window) {
    const QString file = QFileDialog::getSaveFileName(
        window, QStringLiteral("Back Up Register"), proposedBackupFile(platform::dates::today()),
        QStringLiteral("Registers (*.MDB *.mdb);;All files (*)"));
    if (file.isEmpty())
        return; // cancelled
    store::BackupOutcome out;
    try {
        const WaitCursor waiting;
        out = store::backUpRegister(session::program::dbMain, file, store::ExistingBackup::Replace);
    } catch (const store::EngineError& e) {
        dialogs::showFailure(window, e);
        return;
    }
    QMessageBox::information(
        window, dialogs::applicationTitle(),
        QStringLiteral("The register was backed up to '%1'.\n\nThe backup holds %2 %3.")
            .arg(out.file, QLocale().toString(out.documents),
                 out.documents == 1 ? QStringLiteral("document") : QStringLiteral("documents")));
}

} // namespace

QString proposedBackupFile(const QDate& today) {
    return QDir::home().filePath(
        QStringLiteral("Veld backup %1.MDB").arg(today.toString(Qt::ISODate)));
}

void addBackUpCommand(QMenu* file, QWidget* window) {
    QAction* action = file->addAction(QStringLiteral("&Back Up Register..."));
    action->setObjectName(QStringLiteral("mnuFileBackUp"));
    QObject::connect(action, &QAction::triggered, window, [window] { backUp(window); });
}
