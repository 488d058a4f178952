#pragma once
// A stored file's size as the windows show it: "812 bytes", "2.9 KB",
// "14.1 MB" (units of 1024). Header only; a few string operations.

#include <QString>

namespace session {

inline QString fileSizeText(qint64 bytes) {
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    const char* units[] = {"KB", "MB", "GB"};
    double size = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (size >= 1024 && unit < 2) {
        size /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(size, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

} // namespace session
