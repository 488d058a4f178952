// The request and reply of the reading helper (see reader_protocol.h).

#include "reader_protocol.h"

#include <QList>
#include <cstring>

namespace documents::protocol {

namespace {

constexpr char magic[] = "tolvane-reader 1";

const char* outcomeWord(ReadOutcome outcome) {
    switch (outcome) {
    case ReadOutcome::Done:
        return "done";
    case ReadOutcome::Unreadable:
        return "unreadable";
    case ReadOutcome::NoReader:
        return "noreader";
    case ReadOutcome::OverLimits:
        return "overlimits";
    }
    return "unreadable";
}

std::optional<ReadOutcome> outcomeOf(const QByteArray& word) {
    for (ReadOutcome outcome : {ReadOutcome::Done, ReadOutcome::Unreadable, ReadOutcome::NoReader,
                                ReadOutcome::OverLimits})
        if (word == outcomeWord(outcome))
            return outcome;
    return std::nullopt;
}

/// A decimal number of at most nine digits and nothing else, or -1.
qint64 count(const QByteArray& word) {
    if (word.isEmpty() || word.size() > 9)
        return -1;
    for (const char c : word)
        if (c < '0' || c > '9')
            return -1;
    return word.toLongLong();
}

} // namespace

QByteArray encodeRequest(const Request& request) {
    const char* job = request.job == Job::Text      ? "text"
                      : request.job == Job::Preview ? "preview"
                                                    : "probe";
    QByteArray out = QByteArray(magic) + "\njob " + job + "\npath " +
                     request.path.toUtf8().toPercentEncoding() + "\nname " +
                     request.name.toUtf8().toPercentEncoding() + "\nsize " +
                     QByteArray::number(std::max(request.size.width(), 0)) + ' ' +
                     QByteArray::number(std::max(request.size.height(), 0)) + "\npages " +
                     QByteArray::number(std::max(request.pages, 0)) + '\n';
    return out;
}

std::optional<Request> parseRequest(const QByteArray& bytes) {
    if (bytes.size() > maxRequestBytes || !bytes.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    if (lines.size() != 6 || lines[0] != magic)
        return std::nullopt;
    Request request;
    const auto value = [&lines](int line, const char* key) -> std::optional<QByteArray> {
        const QByteArray prefix = QByteArray(key) + ' ';
        if (!lines[line].startsWith(prefix))
            return std::nullopt;
        return lines[line].mid(prefix.size());
    };
    const auto job = value(1, "job");
    const auto path = value(2, "path");
    const auto name = value(3, "name");
    const auto size = value(4, "size");
    const auto pages = value(5, "pages");
    if (!job || !path || !name || !size || !pages)
        return std::nullopt;
    if (*job == "text")
        request.job = Job::Text;
    else if (*job == "preview")
        request.job = Job::Preview;
    else if (*job == "probe")
        request.job = Job::Probe;
    else
        return std::nullopt;
    request.path = QString::fromUtf8(QByteArray::fromPercentEncoding(*path));
    request.name = QString::fromUtf8(QByteArray::fromPercentEncoding(*name));
    const QList<QByteArray> sides = size->split(' ');
    const qint64 width = sides.size() == 2 ? count(sides[0]) : -1;
    const qint64 height = sides.size() == 2 ? count(sides[1]) : -1;
    const qint64 pageCount = count(*pages);
    if (width < 0 || height < 0 || pageCount < 0 || width > maxPictureSide ||
        height > maxPictureSide)
        return std::nullopt;
    request.size = QSize(int(width), int(height));
    request.pages = int(pageCount);
    if (request.job != Job::Probe && !request.path.startsWith('/'))
        return std::nullopt;
    return request;
}

QByteArray encodeReply(const Reply& reply) {
    const QByteArray note = reply.note.toUtf8().left(maxNoteBytes);
    QByteArray head = QByteArray(magic) + ' ' + outcomeWord(reply.outcome) + ' ' +
                      QByteArray::number(note.size()) + ' ';
    if (!reply.image.isNull()) {
        const QImage image = reply.image.convertToFormat(QImage::Format_ARGB32);
        QByteArray out = head + "image " + QByteArray::number(image.width()) + ' ' +
                         QByteArray::number(image.height()) + '\n' + note;
        const qsizetype row = qsizetype(image.width()) * 4;
        out.reserve(out.size() + row * image.height());
        for (int y = 0; y < image.height(); ++y)
            out.append(reinterpret_cast<const char*>(image.constScanLine(y)), row);
        return out;
    }
    QByteArray text = reply.text.toUtf8();
    if (text.size() > maxTextBytes) {
        // Cut at a character's start, never inside one.
        qsizetype end = maxTextBytes;
        while (end > 0 && (text.at(end) & 0xc0) == 0x80)
            --end;
        text.truncate(end);
    }
    return head + "text " + QByteArray::number(text.size()) + '\n' + note + text;
}

std::optional<Reply> parseReply(const QByteArray& bytes, QSize largest) {
    const qsizetype lineEnd = bytes.indexOf('\n');
    if (lineEnd < 0 || lineEnd > 200)
        return std::nullopt;
    const QList<QByteArray> words = bytes.left(lineEnd).split(' ');
    const bool isText = words.size() == 6 && words[4] == "text";
    const bool isImage = words.size() == 7 && words[4] == "image";
    if ((!isText && !isImage) || words[0] + ' ' + words[1] != magic)
        return std::nullopt;
    const auto outcome = outcomeOf(words[2]);
    const qint64 noteBytes = count(words[3]);
    const qint64 first = count(words[5]);
    const qint64 second = isImage ? count(words[6]) : 0;
    if (!outcome || noteBytes < 0 || first < 0 || second < 0 || noteBytes > maxNoteBytes)
        return std::nullopt;
    Reply reply;
    reply.outcome = *outcome;
    const qsizetype body = lineEnd + 1 + noteBytes;
    if (body > bytes.size())
        return std::nullopt;
    reply.note = QString::fromUtf8(bytes.mid(lineEnd + 1, noteBytes));
    const qsizetype payload = bytes.size() - body;
    if (isText) {
        if (first > maxTextBytes || first != payload)
            return std::nullopt;
        reply.text = QString::fromUtf8(bytes.constData() + body, payload);
        return reply;
    }
    if (first < 1 || second < 1 || first > largest.width() || second > largest.height() ||
        first * second * 4 != payload)
        return std::nullopt;
    QImage image(int(first), int(second), QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;
    const qsizetype row = qsizetype(first) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + body + y * row, size_t(row));
    reply.image = std::move(image);
    return reply;
}

} // namespace documents::protocol
