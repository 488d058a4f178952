// The real modal windows of the main window's commands: the document
// editor frmChange, the types window frmTypes and the history window
// frmHistory. Tests replace them in frmMain::windows with stand-ins.

#include "editor/frm_change.h"
#include "frm_main.h"
#include "history/frm_history.h"
#include "platform/dialogs/failure_box.h"
#include "store/engine_error.h"
#include "types/frm_types.h"

frmMain::ModalWindows frmMain::standardWindows() {
    ModalWindows standard;
    standard.editor = [](store::RecordsetPtr list, QWidget* parent) {
        frmChange editor(std::move(list), parent);
        if (const auto* main = qobject_cast<frmMain*>(parent))
            editor.setRegisterLocation(main->dtaDocuments->databaseName());
        editor.exec();
    };
    standard.types = [](QWidget* parent) {
        try {
            frmTypes types(parent);
            types.exec();
        } catch (const store::EngineError& e) {
            // The window could not read the types (a busy or damaged register).
            dialogs::showFailure(parent, QStringLiteral("The document types could not be read."),
                                 e);
        }
    };
    standard.history = [](const store::Database& db, qint64 recordPtr, const QString& caption,
                          QWidget* parent) {
        frmHistory history(db, recordPtr, caption, parent);
        history.exec();
    };
    return standard;
}
