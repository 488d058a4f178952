#pragma once
// The jobs of the reading helper, tolvane-reader: each reads the file a
// request names and says what came of it. They run in the helper only,
// under the limits its parent set (reader_launch.cpp); running out of
// memory raises std::bad_alloc, which the helper's main reports.

#include "reader_protocol.h"

#include <QImage>

namespace documents::reader {

/// The file's words: a PDF's text layer, or what OCR reads off a scan.
protocol::Reply readText(const protocol::Request& request);
/// A picture of the file's first page or image within request.size.
protocol::Reply readPreview(const protocol::Request& request);

protocol::Reply pdfText(const protocol::Request& request);
protocol::Reply pdfPreview(const protocol::Request& request);
protocol::Reply imageText(const protocol::Request& request);
protocol::Reply imagePreview(const protocol::Request& request);

/// True when this helper was built with OCR and finds its English data.
bool ocrReady();
/// The words OCR reads off `page` (any format), scanned at `dpi`.
QString ocr(const QImage& page, int dpi);

/// A reply with no text or picture.
protocol::Reply outcome(ReadOutcome outcome, const QString& note);
/// A picture read for a preview, scaled down to fit `size` where larger.
protocol::Reply pictureReply(QImage picture, QSize size);

} // namespace documents::reader
