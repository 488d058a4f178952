// The helper's OCR, through Tesseract where the helper was built with it
// (TOLVANE_OCR): English, one engine for the helper's one job. Pictures
// reach it as grey pixels the helper decoded itself, so Tesseract's own
// picture readers never see the file.

#include "reader_jobs.h"

#ifdef TOLVANE_OCR
#include <memory>
#include <tesseract/baseapi.h>
#endif

namespace documents::reader {

#ifdef TOLVANE_OCR

namespace {

/// The engine, made on first use; null when its data is missing.
tesseract::TessBaseAPI* engine() {
    static const std::unique_ptr<tesseract::TessBaseAPI> api = [] {
        auto made = std::make_unique<tesseract::TessBaseAPI>();
        // Tesseract's debugging output would go to the standard output,
        // which carries the reply.
        made->SetVariable("debug_file", "/dev/null");
        if (made->Init(nullptr, "eng") != 0)
            return std::unique_ptr<tesseract::TessBaseAPI>();
        made->SetPageSegMode(tesseract::PSM_AUTO);
        return made;
    }();
    return api.get();
}

} // namespace

bool ocrReady() {
    return engine() != nullptr;
}

QString ocr(const QImage& page, int dpi) {
    tesseract::TessBaseAPI* api = engine();
    if (!api)
        return {};
    const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull())
        throw std::bad_alloc();
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api->SetSourceResolution(dpi);
    const std::unique_ptr<char[]> text(api->GetUTF8Text());
    api->Clear();
    return text ? QString::fromUtf8(text.get()).trimmed() : QString();
}

#else

bool ocrReady() {
    return false;
}

QString ocr(const QImage&, int) {
    return {};
}

#endif

} // namespace documents::reader
