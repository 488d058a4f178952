#pragma once
// What the program and its reading helper (tolvane-reader) say to each
// other over the helper's standard input and output.
//
// The request is a few text lines, at most maxRequestBytes:
//   tolvane-reader 1
//   job text|preview|probe
//   path <percent-encoded>
//   name <percent-encoded>
//   size <width> <height>
//   pages <n>
// The reply is one line, then its note and its payload as raw bytes:
//   tolvane-reader 1 <outcome> <note bytes> text <text bytes>
//   tolvane-reader 1 <outcome> <note bytes> image <width> <height>
// where an image is width * height pixels of 4 bytes (QImage's ARGB32),
// so the program never decodes a picture format the helper produced.
// Both sides check everything they read: the reply comes from a process
// that read a hostile file and is trusted no more than the file.

#include "file_reader.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace documents::protocol {

inline constexpr qsizetype maxRequestBytes = 64 * 1024;
inline constexpr qsizetype maxNoteBytes = 4 * 1024;
inline constexpr qsizetype maxTextBytes = qsizetype(64) << 20;
inline constexpr int maxPictureSide = 8192;

enum class Job { Text, Preview, Probe };

struct Request {
    Job job = Job::Text;
    QString path;
    QString name;
    QSize size;
    int pages = 0;
};

struct Reply {
    ReadOutcome outcome = ReadOutcome::Unreadable;
    QString note;
    QString text;
    QImage image;
};

QByteArray encodeRequest(const Request& request);
/// Nothing when `bytes` is not a request as encodeRequest writes them.
std::optional<Request> parseRequest(const QByteArray& bytes);

QByteArray encodeReply(const Reply& reply);
/// Nothing when `bytes` is not a whole reply, or holds a picture larger
/// than `largest` on either side.
std::optional<Reply> parseReply(const QByteArray& bytes, QSize largest);

} // namespace documents::protocol
