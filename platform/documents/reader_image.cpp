// The helper's reading of pictures (scans, photographs): through
// QImageReader with a cap on what one picture may allocate and on its
// pixel count, checked from its header before anything is decoded; the
// text by OCR, page by page for a scanner's multi-page TIFF.

#include "reader_jobs.h"

#include <QFile>
#include <QImageReader>
#include <fcntl.h>
#include <unistd.h>

namespace documents::reader {

namespace {

constexpr int allocationLimitMb = 256;
constexpr qint64 maxPixels = qint64(60) << 20;
constexpr int defaultDpi = 300;

/// A reader of the picture at `path`, or the reply saying why there is none.
struct OpenImage {
    QFile file;
    QImageReader reader;
    std::optional<protocol::Reply> refusal;

    explicit OpenImage(const QString& path) {
        QImageReader::setAllocationLimit(allocationLimitMb);
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (fd >= 0)
                ::close(fd);
            refusal =
                outcome(ReadOutcome::Unreadable, QStringLiteral("The file cannot be opened."));
            return;
        }
        reader.setDevice(&file);
        reader.setAutoTransform(true);
        refusal = checkSize();
    }

    /// The size the current picture's header states, checked.
    std::optional<protocol::Reply> checkSize() {
        const QSize size = reader.size();
        if (!size.isValid() || size.isEmpty())
            return outcome(ReadOutcome::Unreadable, QStringLiteral("The picture is damaged."));
        if (qint64(size.width()) * size.height() > maxPixels)
            return outcome(ReadOutcome::OverLimits,
                           QStringLiteral("The picture is larger than %1 million pixels.")
                               .arg(maxPixels >> 20));
        return std::nullopt;
    }

    protocol::Reply damaged() const {
        return outcome(ReadOutcome::Unreadable,
                       QStringLiteral("The picture is damaged (%1).").arg(reader.errorString()));
    }
};

int dpiOf(const QImage& image) {
    const int dpi = qRound(image.dotsPerMeterX() * 0.0254);
    return dpi >= 70 && dpi <= 2400 ? dpi : defaultDpi;
}

} // namespace

protocol::Reply imageText(const protocol::Request& request) {
    if (!ocrReady())
        return outcome(ReadOutcome::NoReader,
                       QStringLiteral("Scans cannot be read on this computer: OCR (Tesseract with "
                                      "English) is missing."));
    OpenImage open(request.path);
    if (open.refusal)
        return *open.refusal;
    const int pages = std::max(open.reader.imageCount(), 1);
    const int read = std::min(pages, std::max(request.pages, 1));
    QString text;
    for (int i = 0; i < read; ++i) {
        if (i > 0) {
            if (!open.reader.jumpToNextImage())
                break;
            if (auto refusal = open.checkSize())
                return *refusal;
        }
        const QImage page = open.reader.read();
        if (page.isNull())
            return open.damaged();
        const QString words = ocr(page, dpiOf(page));
        if (!words.isEmpty()) {
            if (!text.isEmpty())
                text += QLatin1Char('\n');
            text += words;
        }
    }
    protocol::Reply reply = outcome(ReadOutcome::Done, {});
    reply.text = text;
    if (read < pages)
        reply.note =
            QStringLiteral("Only the first %1 of its %2 pages were read.").arg(read).arg(pages);
    return reply;
}

protocol::Reply imagePreview(const protocol::Request& request) {
    OpenImage open(request.path);
    if (open.refusal)
        return *open.refusal;
    if (request.size.isEmpty())
        return outcome(ReadOutcome::Unreadable, QStringLiteral("The picture is damaged."));
    QSize size = open.reader.size();
    // A picture's header may state it rotated (EXIF): the fitting is done
    // on the picture as it is read, below.
    if (size.width() > request.size.width() || size.height() > request.size.height()) {
        const QSize fitted = size.scaled(request.size, Qt::KeepAspectRatio);
        if (!open.reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
            open.reader.setScaledSize(fitted.expandedTo(QSize(1, 1)));
    }
    QImage picture = open.reader.read();
    if (picture.isNull())
        return open.damaged();
    return pictureReply(std::move(picture), request.size);
}

} // namespace documents::reader
