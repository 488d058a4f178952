#pragma once
// A stored file's size as the windows show it: "812 bytes", "1.4 MB".
// Header only; a few string operations.

#include <QLocale>
#include <QString>

namespace session {

inline QString fileSizeText(qint64 bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace session
