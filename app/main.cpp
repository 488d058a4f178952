// tolvane [FOLDER | URI]: the Arkelby program (and, with an option, the
// command-line jobs of register_commands.h). Creates the application (its
// name, "tolvane", captions the message boxes), runs the main window's
// start-up on the register Veld.MDB in FOLDER (made if missing) or else the
// current folder, or on the server register at a PostgreSQL URI, and shows
// the window; the program ends when the window closes. A start-up failure
// is shown and ends with status 1. On the first start beside the older
// dBase register (in the current folder), start-up imports it into the new
// register before anyone else can see that register.

#include "legacy/first_start.h"
#include "legacy/legacy_error.h"
#include "main_window/frm_main.h"
#include "register_commands.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

const char* const Usage =
    "Usage: tolvane [FOLDER | URI]\n"
    "       tolvane --copy-register SOURCE TARGET\n"
    "       tolvane --export REGISTER FILE\n"
    "       tolvane --backup REGISTER FILE\n"
    "Starts Arkelby on the register Veld.MDB in FOLDER (made if missing),\n"
    "or in the current folder, or on a server register at URI, a PostgreSQL\n"
    "connection URI such as postgresql://clerk@db1/office (also postgres://).\n"
    "A first start on an empty server database makes the register there.\n"
    "\n"
    "--copy-register copies every document and type of the register SOURCE\n"
    "into the empty register TARGET (made if missing), each a FOLDER or a URI,\n"
    "keeping their numbers; all or nothing, checked before it is stored.\n"
    "\n"
    "--export writes every document of REGISTER (a FOLDER or a URI) into the\n"
    "CSV file FILE, in the order saved with \"Set as default\" (else by ID,\n"
    "descending), as File > Export List... writes the list.\n"
    "\n"
    "--backup writes a copy of the register REGISTER (a FOLDER or a URI) as it\n"
    "stood at one moment into the new register file FILE, while others go on\n"
    "working; checked before it gets its name. An existing FILE is refused.\n";

/// The jobs without a window: the option, and the job given its two operands.
const std::pair<const char*, int (*)(const QString&, const QString&)> Jobs[] = {
    {"--copy-register", copyRegisterCommand},
    {"--export", exportListCommand},
    {"--backup", backupCommand}};

// Makes `folder` the current folder, creating it if needed; false (after
// telling the user) when it cannot be used.
bool enterFolder(const QString& folder) {
    if (QDir().mkpath(folder) && QDir::setCurrent(folder))
        return true;
    QMessageBox::critical(nullptr, QApplication::applicationName(),
                          QStringLiteral("The folder '%1' could not be made or opened, so the "
                                         "register cannot be kept there.")
                              .arg(folder));
    return false;
}

// Runs a command-line job on its two operands, or shows the usage (status 2).
int runJob(int argc, char** argv, int (*job)(const QString&, const QString&)) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fputs(Usage, stderr);
        return 2;
    }
    return job(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
}

} // namespace

int main(int argc, char** argv) {
    // --help and the jobs without a window before the application, which
    // needs a display.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(Usage, stdout);
        return 0;
    }
    for (const auto& [option, job] : Jobs)
        if (argc >= 2 && std::strcmp(argv[1], option) == 0)
            return runJob(argc, argv, job);
    QApplication app(argc, argv); // takes Qt's own options out of argv
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs(Usage, stderr);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("tolvane"));
    QApplication::setOrganizationName(QStringLiteral("Arkelby"));
    const QString where = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool server = store::isServerLocation(where);
    if (!where.isEmpty() && !server && !enterFolder(QFile::decodeName(argv[1])))
        return 1;
    StartupOptions options = StartupOptions::forProgram();
    if (server)
        options.server = where;
    options.importLegacy = [folder = options.dataFolder](const store::Database& newRegister) {
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
