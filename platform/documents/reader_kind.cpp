// The helper's choice of reader: by what the file holds, never by its name
// alone (a name says nothing sure about a hostile file's bytes).

#include "reader_jobs.h"

#include <QFile>
#include <QImageReader>
#include <QStringDecoder>
#include <fcntl.h>
#include <unistd.h>

namespace documents::reader {

namespace {

enum class Kind { Missing, Pdf, Image, Text, Other };

/// The most of a plain text file's words kept (a mail, a note, a CSV).
constexpr qint64 maxPlainText = qint64(16) << 20;

/// True for bytes that read as UTF-8 text: no NUL, no malformed sequence
/// (the last few bytes may be a character cut off by the sample's end).
bool looksLikeText(const QByteArray& sample) {
    if (sample.isEmpty() || sample.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(sample.left(sample.size() - 3));
    return !utf8.hasError();
}

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
    if (knownImageFormat(QImageReader::imageFormat(&file)))
        return Kind::Image;
    return looksLikeText(file.peek(4096)) ? Kind::Text : Kind::Other;
}

/// A plain text file's words as they stand, up to maxPlainText bytes.
protocol::Reply plainText(const protocol::Request& request) {
    protocol::Reply reply;
    const int fd =
        ::open(QFile::encodeName(request.path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        reply.note = QStringLiteral("The file cannot be opened.");
        return reply;
    }
    reply.text = QString::fromUtf8(file.read(maxPlainText));
    reply.outcome = ReadOutcome::Done;
    return reply;
}

} // namespace

protocol::Reply outcome(ReadOutcome outcome, const QString& note) {
    protocol::Reply reply;
    reply.outcome = outcome;
    reply.note = note;
    return reply;
}

protocol::Reply pictureReply(QImage picture, QSize size) {
    if (picture.width() > size.width() || picture.height() > size.height())
        picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    protocol::Reply reply = outcome(ReadOutcome::Done, {});
    reply.image = std::move(picture);
    return reply;
}

protocol::Reply readText(const protocol::Request& request) {
    switch (kindOf(request.path)) {
    case Kind::Pdf:
        return pdfText(request);
    case Kind::Image:
        return imageText(request);
    case Kind::Text:
        return plainText(request);
    case Kind::Missing:
        return outcome(ReadOutcome::Unreadable, QStringLiteral("The file cannot be opened."));
    case Kind::Other:
        break;
    }
    return outcome(
        ReadOutcome::Unreadable,
        QStringLiteral("Only the text of PDF files, scans and plain text files is read."));
}

protocol::Reply readPreview(const protocol::Request& request) {
    switch (kindOf(request.path)) {
    case Kind::Pdf:
        return pdfPreview(request);
    case Kind::Image:
        return imagePreview(request);
    case Kind::Missing:
        return outcome(ReadOutcome::Unreadable, QStringLiteral("The file cannot be opened."));
    case Kind::Text:
    case Kind::Other:
        break;
    }
    return outcome(ReadOutcome::Unreadable,
                   QStringLiteral("Only PDF files and pictures are previewed."));
}

} // namespace documents::reader
