// Opening and saving a stored file (stored_file_actions.h).

#include "stored_file_actions.h"

#include "platform/dialogs/failure_box.h"
#include "platform/documents/private_copy.h"
#include "reports/export_device.h"
#include "reports/list_export.h"
#include "session/database_worker.h"
#include "store/document_files.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QUrl>
#include <exception>

namespace editor {

namespace {

/// Tells `window` (when it is still there) that `what` failed and why.
void tell(QPointer<QWidget> window, const QString& what) {
    if (!window)
        return;
    session::DatabaseWorker::deliver(window.data(), [window, what] {
        if (window)
            dialogs::showFailure(window, what);
    });
}

} // namespace

void openStoredFile(session::DatabaseWorker& worker, QWidget* window,
                    const store::StoredFile& file) {
    QPointer<QWidget> w(window);
    worker.post([w, file](session::DatabaseWorker::Access& access) {
        const auto failed = [&](const QString& why) {
            tell(w, QStringLiteral("The file \"%1\" cannot be opened: %2").arg(file.name, why));
        };
        try {
            documents::PrivateCopy copy(file.name);
            store::readFile(access.db(), file, copy.device(),
                            [&access](qint64, qint64) { return !access.cancelled(); });
            copy.finish();
            copy.keep();
            const QUrl url = QUrl::fromLocalFile(copy.path());
            if (!w)
                return;
            session::DatabaseWorker::deliver(w.data(), [w, url, name = file.name] {
                if (w && !QDesktopServices::openUrl(url))
                    dialogs::showFailure(
                        w, QStringLiteral("The file \"%1\" cannot be opened: no application on "
                                          "this desktop opens it.")
                               .arg(name));
            });
        } catch (const Failure& e) {
            if (!access.cancelled())
                failed(e.text());
        }
    });
}

void saveStoredFileAs(session::DatabaseWorker& worker, QWidget* window,
                      const store::StoredFile& file) {
    QFileDialog dialog(window, QStringLiteral("Save As"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(QDir::home().filePath(documents::PrivateCopy::safeName(file.name)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString target = dialog.selectedFiles().constFirst();
    QPointer<QWidget> w(window);
    worker.post([w, file, target](session::DatabaseWorker::Access& access) {
        try {
            reports::ExportTarget out(target);
            reports::ExportDevice device(out);
            try {
                store::readFile(access.db(), file, device,
                                [&access](qint64, qint64) { return !access.cancelled(); });
            } catch (const Failure&) {
                device.raiseFailure(); // the disk's failure rather than the read's
                throw;
            }
            device.raiseFailure();
            out.commit();
        } catch (const Failure& e) {
            if (!access.cancelled())
                tell(w, QStringLiteral("The file \"%1\" was not saved.\n\n%2")
                            .arg(file.name, e.text()));
        }
    });
}

} // namespace editor
