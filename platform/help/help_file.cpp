// Locating the help file: see help_file.h.

#include "help_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace help {

QStringList helpFileFolders() {
    QStringList folders{QDir::currentPath()};
    if (QCoreApplication::instance()) {
        const QString programDir = QCoreApplication::applicationDirPath();
        folders << programDir << QDir(programDir).filePath(QStringLiteral("../share/tolvane"));
    }
#ifdef TOLVANE_BUILD_DIR
    folders << QStringLiteral(TOLVANE_BUILD_DIR);
#endif
    return folders;
}

QString findHelpFile() {
    for (const QString& folder : helpFileFolders()) {
        const QFileInfo file(QDir(folder).filePath(QLatin1String(HelpFileName)));
        if (file.isFile())
            return file.canonicalFilePath();
    }
    return QString();
}

} // namespace help
