// Stand-in: pictures read in process, no text.
#include "file_reader.h"

#include <QImageReader>

namespace documents {

TextRead readText(const QString&, const QString&, const ReadLimits&) {
    return {ReadOutcome::NoReader, {}, QStringLiteral("No reader in this build.")};
}

PreviewRead readPreview(const QString& path, const QString&, QSize size, const ReadLimits&) {
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        return {ReadOutcome::Unreadable, {}, QStringLiteral("The file shows no picture.")};
    return {ReadOutcome::Done, image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation),
            {}};
}

bool canReadScans() {
    return false;
}

} // namespace documents
