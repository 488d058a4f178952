// tolvane-reader: reads one stored file's text or first picture for the
// program, which starts it with limits on its time, memory and file writes
// (file_reader.cpp) and reads its reply. It reads the request from its
// standard input, writes the reply to its standard output (see
// reader_protocol.h) and ends. A file this helper cannot cope with may at
// worst end it: the program then reports the file, never crashes with it.

#include "reader_jobs.h"

#include <QFile>
#include <cerrno>
#include <new>
#include <unistd.h>

namespace {

using namespace documents;

QByteArray readRequest() {
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return bytes;
        bytes.append(buffer, got);
        if (bytes.size() > protocol::maxRequestBytes)
            return {};
    }
}

bool writeAll(const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(STDOUT_FILENO, at, size_t(left));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        at += put;
        left -= put;
    }
    return true;
}

protocol::Reply run(const protocol::Request& request) {
    switch (request.job) {
    case protocol::Job::Probe:
        return reader::ocrReady()
                   ? reader::outcome(ReadOutcome::Done, {})
                   : reader::outcome(ReadOutcome::NoReader,
                                     QStringLiteral("Scans cannot be read on this computer: "
                                                    "OCR (Tesseract with English) is missing."));
    case protocol::Job::Text:
        return reader::readText(request);
    case protocol::Job::Preview:
        return reader::readPreview(request);
    }
    return reader::outcome(ReadOutcome::Unreadable, {});
}

} // namespace

int main() {
    const std::optional<protocol::Request> request = protocol::parseRequest(readRequest());
    if (!request)
        return 2;
    protocol::Reply reply;
    try {
        reply = run(*request);
    } catch (const std::bad_alloc&) {
        reply = reader::outcome(ReadOutcome::OverLimits,
                                QStringLiteral("Reading it needs more memory than allowed."));
    }
    QByteArray bytes;
    try {
        bytes = protocol::encodeReply(reply);
    } catch (const std::bad_alloc&) {
        bytes = protocol::encodeReply(reader::outcome(
            ReadOutcome::OverLimits, QStringLiteral("Reading it needs more memory than allowed.")));
    }
    return writeAll(bytes) ? 0 : 1;
}
