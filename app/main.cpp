// tolvane: the Arkelby program. Creates the application (its name,
// "tolvane", captions the message boxes), runs the main window's start-up
// in the current folder and shows the window; the program ends when the
// window closes. A start-up failure is shown and ends with status 1. On the
// first start beside the older dBase register, start-up imports it into the
// new register before that register gets its name.

#include "legacy/first_start.h"
#include "legacy/legacy_error.h"
#include "main_window/frm_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvane"));
    QApplication::setOrganizationName(QStringLiteral("Arkelby"));
    StartupOptions options = StartupOptions::forProgram();
    options.importLegacy = [folder = options.dataFolder](const QString& newRegister) {
        try {
            legacy::importAtFirstStart(newRegister, folder);
        } catch (const legacy::LegacyError& e) {
            throw StartupError(e.text());
        }
    };
    frmMain window;
    if (const int failed = window.startUpOrReport(options))
        return failed;
    window.show();
    return QApplication::exec();
}
