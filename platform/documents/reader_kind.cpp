// The helper's choice of reader: by what the file holds, never by its name
// alone (a name says nothing sure about a hostile file's bytes).

#include "reader_jobs.h"

#include <QFile>
#include <QImageReader>
#include <fcntl.h>
#include <unistd.h>

namespace documents::reader {

namespace {

enum class Kind { Missing, Pdf, Image, Other };

/// Picture formats read here: what scanners, cameras and mail carry.
bool knownImageFormat(const QByteArray& format) {
    static const QByteArray formats[] = {"png", "jpeg", "jpg", "tiff", "tif", "gif",
                                         "bmp", "webp", "pbm", "pgm",  "ppm"};
    for (const QByteArray& known : formats)
        if (format == known)
            return true;
    return false;
}

Kind kindOf(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return Kind::Missing;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Kind::Missing;
    }
    // A PDF's header may follow up to a kilobyte of other bytes.
    if (file.peek(1024).contains("%PDF-"))
        return Kind::Pdf;
    return knownImageFormat(QImageReader::imageFormat(&file)) ? Kind::Image : Kind::Other;
}

} // namespace

protocol::Reply outcome(ReadOutcome outcome, const QString& note) {
    protocol::Reply reply;
    reply.outcome = outcome;
    reply.note = note;
    return reply;
}

protocol::Reply readText(const protocol::Request& request) {
    switch (kindOf(request.path)) {
    case Kind::Pdf:
        return pdfText(request);
    case Kind::Image:
        return imageText(request);
    case Kind::Missing:
        return outcome(ReadOutcome::Unreadable, QStringLiteral("The file cannot be opened."));
    case Kind::Other:
        break;
    }
    return outcome(ReadOutcome::Unreadable,
                   QStringLiteral("Only the text of PDF files and of scans is read."));
}

protocol::Reply readPreview(const protocol::Request& request) {
    switch (kindOf(request.path)) {
    case Kind::Pdf:
        return pdfPreview(request);
    case Kind::Image:
        return imagePreview(request);
    case Kind::Missing:
        return outcome(ReadOutcome::Unreadable, QStringLiteral("The file cannot be opened."));
    case Kind::Other:
        break;
    }
    return outcome(ReadOutcome::Unreadable,
                   QStringLiteral("Only PDF files and pictures are previewed."));
}

} // namespace documents::reader
