// The helper's PDF reading, through Poppler: the text layer of the first
// pages, OCR of pages without one where the helper has OCR, and a picture
// of the first page.

#include "reader_jobs.h"

#include <QFile>
#include <QVariant>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <poppler/qt6/poppler-qt6.h>
#include <unistd.h>

namespace documents::reader {

namespace {

/// Pages are scanned for OCR at this resolution, or less for huge pages.
constexpr double ocrDpi = 300;
constexpr double maxOcrPixels = 40e6;

void quiet(const QString&, const QVariant&) {}

/// An open PDF, or the reply saying why there is none.
struct OpenPdf {
    std::unique_ptr<QFile> file;
    std::unique_ptr<Poppler::Document> document;
    std::optional<protocol::Reply> refusal;
};

OpenPdf openPdf(const QString& path) {
    Poppler::setDebugErrorFunction(quiet, QVariant());
    OpenPdf pdf;
    pdf.file = std::make_unique<QFile>();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || !pdf.file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        pdf.refusal =
            outcome(ReadOutcome::Unreadable, QStringLiteral("The file cannot be opened."));
        return pdf;
    }
    pdf.document = Poppler::Document::load(pdf.file.get());
    if (!pdf.document || pdf.document->numPages() < 1)
        pdf.refusal = outcome(ReadOutcome::Unreadable, QStringLiteral("The PDF is damaged."));
    else if (pdf.document->isLocked())
        pdf.refusal =
            outcome(ReadOutcome::Unreadable, QStringLiteral("The PDF is protected by a password."));
    else {
        pdf.document->setRenderHint(Poppler::Document::Antialiasing);
        pdf.document->setRenderHint(Poppler::Document::TextAntialiasing);
    }
    return pdf;
}

/// The page scanned for OCR: 300 dpi, less where that would be huge.
QImage scanOf(const Poppler::Page& page, int& dpi) {
    const QSizeF inches = page.pageSizeF() / 72.0;
    const double area = std::max(inches.width() * inches.height(), 1e-6);
    dpi = int(std::min(ocrDpi, std::sqrt(maxOcrPixels / area)));
    return dpi < 1 ? QImage() : page.renderToImage(dpi, dpi);
}

} // namespace

protocol::Reply pdfText(const protocol::Request& request) {
    OpenPdf pdf = openPdf(request.path);
    if (pdf.refusal)
        return *pdf.refusal;
    const int pages = pdf.document->numPages();
    const int read = std::min(pages, std::max(request.pages, 1));
    const bool canOcr = ocrReady();
    QString text;
    int scansUnread = 0;
    for (int i = 0; i < read; ++i) {
        const std::unique_ptr<Poppler::Page> page = pdf.document->page(i);
        if (!page)
            continue;
        QString words = page->text(QRectF());
        if (words.trimmed().isEmpty()) {
            if (!canOcr) {
                ++scansUnread;
                continue;
            }
            int dpi = 0;
            const QImage scan = scanOf(*page, dpi);
            if (!scan.isNull())
                words = ocr(scan, dpi);
        }
        if (!words.isEmpty()) {
            if (!text.isEmpty())
                text += QLatin1Char('\n');
            text += words;
        }
    }
    if (scansUnread == read)
        return outcome(ReadOutcome::NoReader,
                       QStringLiteral("The PDF holds scans without text, and OCR (Tesseract with "
                                      "English) is missing on this computer."));
    protocol::Reply reply = outcome(ReadOutcome::Done, {});
    reply.text = text;
    if (read < pages)
        reply.note =
            QStringLiteral("Only the first %1 of its %2 pages were read.").arg(read).arg(pages);
    else if (scansUnread > 0)
        reply.note = QStringLiteral("%1 pages without text were not read: OCR is missing on this "
                                    "computer.")
                         .arg(scansUnread);
    return reply;
}

protocol::Reply pdfPreview(const protocol::Request& request) {
    OpenPdf pdf = openPdf(request.path);
    if (pdf.refusal)
        return *pdf.refusal;
    const std::unique_ptr<Poppler::Page> page = pdf.document->page(0);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    if (!page || points.width() <= 0 || points.height() <= 0 || request.size.isEmpty())
        return outcome(ReadOutcome::Unreadable, QStringLiteral("The PDF is damaged."));
    const double scale =
        std::min(request.size.width() / points.width(), request.size.height() / points.height());
    const double dpi = 72.0 * scale;
    QImage picture = page->renderToImage(dpi, dpi);
    if (picture.isNull())
        return outcome(ReadOutcome::Unreadable, QStringLiteral("The PDF is damaged."));
    return pictureReply(std::move(picture), request.size);
}

} // namespace documents::reader
