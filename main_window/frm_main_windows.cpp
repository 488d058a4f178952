// The real modal windows of the main window's commands: the document
// editor frmChange and the types window frmTypes. Tests replace them in
// frmMain::windows with stand-ins.

#include "editor/frm_change.h"
#include "frm_main.h"
#include "store/engine_error.h"
#include "types/frm_types.h"

#include <QCoreApplication>
#include <QMessageBox>

frmMain::ModalWindows frmMain::standardWindows() {
    ModalWindows standard;
    standard.editor = [](store::RecordsetPtr list, QWidget* parent) {
        frmChange editor(std::move(list), parent);
        editor.exec();
    };
    standard.types = [](QWidget* parent) {
        try {
            frmTypes types(parent);
            types.exec();
        } catch (const store::EngineError& e) {
            // The window could not read the types (a busy or damaged register).
            QMessageBox::warning(
                parent, QCoreApplication::applicationName(),
                QStringLiteral("The document types could not be read.\n\n%1").arg(e.text()));
        }
    };
    return standard;
}
