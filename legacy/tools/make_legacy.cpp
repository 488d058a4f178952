// make_legacy: writes Document.DBF and Document.DBT in the earlier
// release's layout from a tab-separated text file (format described in
// legacy_writer.h), so an import can be tried without the old program.
//
//   make_legacy register.txt [output-folder]
//
// The folder defaults to the current one; existing legacy files there are
// replaced. Exit status 0 on success, 1 with a message otherwise.

#include "legacy/legacy_error.h"
#include "legacy_writer.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: make_legacy register.txt [output-folder]\n");
        return 1;
    }
    QFile in(args[1]);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_legacy: %s: %s\n", qPrintable(args[1]),
                     qPrintable(in.errorString()));
        return 1;
    }
    QList<legacy::LegacyEntry> entries;
    QString error;
    try {
        if (!legacy::parseLegacyText(QString::fromUtf8(in.readAll()), &entries, &error) ||
            !legacy::writeLegacyFiles(args.size() == 3 ? args[2] : QStringLiteral("."),
                                      legacy::buildLegacyFiles(entries), &error)) {
            std::fprintf(stderr, "make_legacy: %s\n", qPrintable(error));
            return 1;
        }
    } catch (const legacy::LegacyError& e) {
        std::fprintf(stderr, "make_legacy: %s\n", qPrintable(e.text()));
        return 1;
    }
    std::printf("make_legacy: wrote %lld records\n", static_cast<long long>(entries.size()));
    return 0;
}
