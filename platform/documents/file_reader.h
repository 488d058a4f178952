#pragma once
// Reading what a stored file holds: the words of a PDF's text layer
// (Poppler), of a scan or an image without one (OCR through Tesseract,
// where the machine has it), and a picture of a PDF's first page or of an
// image, scaled to fit a size. Every read runs in a helper program of its
// own (tolvane-reader, installed beside the program's libraries) under
// limits on time, memory and pages, so a malformed or hostile file can at
// worst end that helper: the caller gets an outcome with a message, never
// a crash or a hang of the program.
//
// Threading: the calls block until the helper is done; call them from a
// worker thread, never from the GUI thread.

#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>

namespace documents {

struct ReadLimits {
    int seconds = 60;                        ///< wall time of the helper
    qint64 memoryBytes = qint64(1024) << 20; ///< its address space
    int pages = 200;                         ///< pages read for text
    /// When set and it turns true, the helper is ended at once and the
    /// read comes to OverLimits (for a worker that is being stopped).
    const std::atomic<bool>* cancel = nullptr;
};

enum class ReadOutcome {
    Done,       ///< text or picture read (the text may be empty)
    Unreadable, ///< the file is damaged, encrypted or of no kind read here
    NoReader,   ///< its kind needs a reader this machine lacks (OCR)
    OverLimits, ///< it took more time, memory or pages than allowed
};

struct TextRead {
    ReadOutcome outcome = ReadOutcome::Unreadable;
    QString text;
    QString note; ///< for the user: why there is no text
};

struct PreviewRead {
    ReadOutcome outcome = ReadOutcome::Unreadable;
    QImage image; ///< at most the size asked for, aspect kept
    QString note;
};

/// The words in the file at `path` (a private copy, see private_copy.h);
/// `name` is the file's name as attached, a hint to its kind.
TextRead readText(const QString& path, const QString& name, const ReadLimits& limits = {});
/// A picture of the file's first page, or of the image, within `size`.
PreviewRead readPreview(const QString& path, const QString& name, QSize size,
                        const ReadLimits& limits = {});
/// True when scans and images can be read (Tesseract with English data).
/// The first call asks the helper (up to a second); later ones do not.
bool canReadScans();

} // namespace documents
