// tolvane [FOLDER | URI]: the Arkelby program (and, with an option, the
// command-line jobs of register_commands.h). Reads every option before
// anything touches a window system, so that --help, --version, a wrong
// option and the jobs work without a display. Creates the application (its
// name, "tolvane", captions the message boxes), runs the main window's
// start-up on the register Veld.MDB in FOLDER (made if missing) or else the
// current folder, or on the server register at a PostgreSQL URI, and shows
// the window; the program ends when the window closes. A start-up failure
// is shown and ends with status 1; a wrong command line is told on
// standard error with the usage, status 2. On the first start beside the
// older dBase register (in the current folder), start-up imports it into
// the new register before anyone else can see that register.
//
// SIGPIPE is ignored, so that writing into a pipe whose reader has gone is
// an error the writer reports (EPIPE), not the program's silent end.

#include "file_commands.h"
#include "legacy/first_start.h"
#include "main_window/frm_main.h"
#include "platform/dialogs/failure_box.h"
#include "register_commands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <csignal>
#include <cstdio>
#include <utility>

namespace {

const char* const Usage =
    "Usage: tolvane [FOLDER | URI]\n"
    "       tolvane --copy-register SOURCE TARGET\n"
    "       tolvane --export REGISTER FILE\n"
    "       tolvane --backup REGISTER FILE\n"
    "       tolvane --attach REGISTER ID FILE...\n"
    "       tolvane --files REGISTER ID\n"
    "       tolvane --extract REGISTER ID NAME OUTFILE\n"
    "       tolvane --help | --version\n"
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
    "file FILE, in the order saved with \"Set as default\" (else by ID,\n"
    "descending), as File > Export List... writes the list: an Excel workbook\n"
    "when FILE ends in .xlsx, else CSV. FILE - (or /dev/stdout) writes CSV to\n"
    "standard output.\n"
    "An existing FILE is replaced only when it is a regular file; a FIFO or a\n"
    "terminal is written into; a device or a symbolic link to a file is refused.\n"
    "\n"
    "--backup writes a copy of the register REGISTER (a FOLDER or a URI) as it\n"
    "stood at one moment into the new register file FILE, while others go on\n"
    "working; checked before it gets its name. An existing FILE is refused.\n"
    "\n"
    "--attach attaches each FILE to the document with the ID ID, all in one\n"
    "change or none; a symbolic link, a folder or a file over 1 GiB is refused.\n"
    "--files lists the document's files, one a line: size in bytes, SHA-256,\n"
    "when attached, its text (pending, text, unreadable, no-reader), name.\n"
    "--extract writes the document's file named NAME into OUTFILE, checked\n"
    "against its SHA-256, as --export writes FILE (- is standard output).\n"
    "\n"
    "Exit status: 0 done, 1 the job failed (said on standard error), 2 a wrong\n"
    "command line.\n";

/// The jobs without a window: the option, how many operands it takes (at
/// most -1: any number from the least), and the job given them.
struct Job {
    const char* option;
    int least;
    int most;
    int (*run)(const QStringList& operands);
};
const Job Jobs[] = {
    {"copy-register", 2, 2, [](const QStringList& o) { return copyRegisterCommand(o[0], o[1]); }},
    {"export", 2, 2, [](const QStringList& o) { return exportListCommand(o[0], o[1]); }},
    {"backup", 2, 2, [](const QStringList& o) { return backupCommand(o[0], o[1]); }},
    {"attach", 3, -1, [](const QStringList& o) { return attachCommand(o[0], o[1], o.mid(2)); }},
    {"files", 2, 2, [](const QStringList& o) { return filesCommand(o[0], o[1]); }},
    {"extract", 4, 4, [](const QStringList& o) { return extractCommand(o[0], o[1], o[2], o[3]); }}};

/// "two operands", "at least three operands".
QString operandCount(const Job& job) {
    static const char* const numbers[] = {"no", "one", "two", "three", "four"};
    const QString n = QLatin1String(numbers[job.least]);
    return job.most == job.least ? QStringLiteral("%1 operands").arg(n)
                                 : QStringLiteral("at least %1 operands").arg(n);
}

/// Qt's own options for the window, which the application takes out of the
/// command line: known here so that they are no unknown options, and kept
/// out of the usage. The flag says whether the option takes a value.
const std::pair<const char*, bool> WindowOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowtitle", true},
    {"qwindowicon", true},     {"display", true},
    {"geometry", true},        {"style", true},
    {"stylesheet", true},      {"session", true},
    {"reverse", false},        {"widgetcount", false},
    {"nograb", false},         {"dograb", false}};

/// Tells what is wrong with the command line, then the usage; status 2.
int wrongCommandLine(const QString& what) {
    std::fprintf(stderr, "tolvane: %s\n", what.toLocal8Bit().constData());
    std::fputs(Usage, stderr);
    return 2;
}

// Makes `folder` the current folder, creating it if needed; false (after
// telling the user) when it cannot be used.
bool enterFolder(const QString& folder) {
    if (QDir().mkpath(folder) && QDir::setCurrent(folder))
        return true;
    dialogs::showFailure(nullptr,
                         QStringLiteral("The folder '%1' could not be made or opened, so the "
                                        "register cannot be kept there.")
                             .arg(folder),
                         dialogs::Weight::Fatal);
    return false;
}

/// Runs the window on `where` (a folder, a URI, or empty for the current
/// folder).
int runWindow(int argc, char** argv, const QString& where) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvane"));
    QApplication::setOrganizationName(QStringLiteral("Arkelby"));
    const bool server = store::isServerLocation(where);
    if (!where.isEmpty() && !server && !enterFolder(where))
        return 1;
    StartupOptions options = StartupOptions::forProgram();
    if (server)
        options.server = where;
    // What the import raises is told as the start's failure, as it is.
    options.importLegacy = [folder = options.dataFolder](const store::Database& newRegister) {
        legacy::importAtFirstStart(newRegister, folder);
    };
    frmMain window;
    if (const int failed = window.startUpOrReport(options))
        return failed;
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);

    // The whole command line is read before any application exists.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({help, version});
    for (const Job& job : Jobs)
        parser.addOption(QCommandLineOption{QString::fromLatin1(job.option)});
    for (const auto& [name, takesValue] : WindowOptions) {
        QCommandLineOption option{QString::fromLatin1(name)};
        if (takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    if (!parser.parse(arguments))
        return wrongCommandLine(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs("tolvane " TOLVANE_VERSION "\n", stdout);
        return 0;
    }
    const QStringList operands = parser.positionalArguments();
    const Job* job = nullptr;
    for (const Job& candidate : Jobs) {
        if (!parser.isSet(QLatin1String(candidate.option)))
            continue;
        if (job)
            return wrongCommandLine(
                QStringLiteral("--%1 and --%2 cannot be given together.")
                    .arg(QLatin1String(job->option), QLatin1String(candidate.option)));
        job = &candidate;
    }
    if (job) {
        if (operands.size() < job->least || (job->most >= 0 && operands.size() > job->most))
            return wrongCommandLine(QStringLiteral("--%1 takes %2, not %3.")
                                        .arg(QLatin1String(job->option), operandCount(*job))
                                        .arg(operands.size()));
        QCoreApplication app(argc, argv);
        return job->run(operands);
    }
    if (operands.size() > 1)
        return wrongCommandLine(
            QStringLiteral("one register at a time: '%1' is one too many.").arg(operands[1]));
    return runWindow(argc, argv, operands.value(0));
}
