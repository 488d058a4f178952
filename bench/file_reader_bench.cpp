// Reading stored files through the helper program (platform/documents),
// on files made once in a temporary folder:
//  - FirstPagePreview: the picture of the first page of a 200-page PDF,
//    400 x 400 pixels, from the call to the picture in hand (the helper
//    started, the PDF opened, the page drawn, the pixels sent back).
//    Target 200 ms.
//  - TextOf20MbPdf: the words of a PDF of 20 MB (100 pages of text, each
//    with a photograph of noise that no compression shrinks). Target 10 s.
//  - PreviewOf20MbPdf: its first page's picture.
// Counters: helper_peak_mb, the largest resident memory of a helper so
// far (getrusage of the children), and program_peak_mb, the calling
// program's own. Times are wall-clock. Run: build/bench/file_reader_bench

#include "platform/documents/file_reader.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

/// A PDF of `pages` pages of text; with `noise`, each page also carries a
/// picture of random pixels of about that many bytes.
QString makePdf(const QString& name, int pages, int noise) {
    const QString path = folder().filePath(name);
    if (QFileInfo::exists(path))
        return path;
    QPdfWriter writer(path);
    writer.setResolution(150);
    QPainter painter(&writer);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(10);
    painter.setFont(font);
    const int side = noise > 0 ? int(std::sqrt(noise / 3.0)) : 0;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        for (int line = 0; line < 50; ++line)
            painter.drawText(QPointF(100, 100 + line * 30),
                             QStringLiteral("Page %1 line %2: the minutes of the meeting on the "
                                            "drainage of the lower fields, as agreed.")
                                 .arg(page + 1)
                                 .arg(line + 1));
        if (side > 0) {
            QImage picture(side, side, QImage::Format_RGB888);
            QRandomGenerator random(page);
            for (int y = 0; y < side; ++y)
                random.fillRange(reinterpret_cast<quint32*>(picture.scanLine(y)),
                                 qsizetype(picture.bytesPerLine() / 4));
            painter.drawImage(QRect(100, 1700, 600, 600), picture);
        }
    }
    painter.end();
    return path;
}

void memoryCounters(benchmark::State& state) {
    rusage children{}, self{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    ::getrusage(RUSAGE_SELF, &self);
    state.counters["helper_peak_mb"] = double(children.ru_maxrss) / 1024;
    state.counters["program_peak_mb"] = double(self.ru_maxrss) / 1024;
}

void FirstPagePreview(benchmark::State& state) {
    const QString pdf = makePdf(QStringLiteral("pages200.pdf"), 200, 0);
    for (auto _ : state) {
        const documents::PreviewRead read =
            documents::readPreview(pdf, QStringLiteral("pages200.pdf"), QSize(400, 400));
        if (read.outcome != documents::ReadOutcome::Done)
            state.SkipWithError(read.note.toStdString().c_str());
        benchmark::DoNotOptimize(read.image.constBits());
    }
    memoryCounters(state);
}

void TextOf20MbPdf(benchmark::State& state) {
    const QString pdf = makePdf(QStringLiteral("mb20.pdf"), 100, 560 * 1024);
    state.counters["file_mb"] = double(QFileInfo(pdf).size()) / (1 << 20);
    for (auto _ : state) {
        const documents::TextRead read = documents::readText(pdf, QStringLiteral("mb20.pdf"));
        if (read.outcome != documents::ReadOutcome::Done ||
            !read.text.contains(QStringLiteral("Page 100 line")))
            state.SkipWithError(read.note.toStdString().c_str());
        state.counters["text_kb"] = double(read.text.size()) / 1024;
    }
    memoryCounters(state);
}

void PreviewOf20MbPdf(benchmark::State& state) {
    const QString pdf = makePdf(QStringLiteral("mb20.pdf"), 100, 560 * 1024);
    for (auto _ : state) {
        const documents::PreviewRead read =
            documents::readPreview(pdf, QStringLiteral("mb20.pdf"), QSize(400, 400));
        if (read.outcome != documents::ReadOutcome::Done)
            state.SkipWithError(read.note.toStdString().c_str());
    }
    memoryCounters(state);
}

} // namespace

BENCHMARK(FirstPagePreview)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(TextOf20MbPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(PreviewOf20MbPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
