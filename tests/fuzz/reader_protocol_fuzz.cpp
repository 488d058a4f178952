// Fuzz target for what the program reads from its reading helper and what
// the helper reads from the program (platform/documents/reader_protocol.h):
// the helper has read a hostile file, so its reply is hostile too.
//
// Input layout: the first two bytes give the largest picture the reply may
// hold (each side 0..255), the rest is the reply; the whole input is also
// parsed as a request. Checked, besides what the sanitizers see:
//  - a reply believed holds a picture within the size asked, or none, and
//    a note of at most the note's limit;
//  - what is believed encodes back to a reply that parses to the same
//    outcome, note, text and picture;
//  - a request believed encodes back to the same request.

#include "fuzz_check.h"
#include "platform/documents/reader_protocol.h"

#include <cstdint>

using namespace documents::protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<Request> request = parseRequest(bytes)) {
        const std::optional<Request> again = parseRequest(encodeRequest(*request));
        fuzz::check(again && again->job == request->job && again->path == request->path &&
                        again->name == request->name && again->size == request->size &&
                        again->pages == request->pages,
                    "a request encodes back to itself");
    }
    if (size < 2)
        return 0;
    const QSize largest(data[0], data[1]);
    const std::optional<Reply> reply = parseReply(bytes.mid(2), largest);
    if (!reply)
        return 0;
    fuzz::check(reply->image.isNull() || (reply->image.width() <= largest.width() &&
                                          reply->image.height() <= largest.height()),
                "a picture within the size asked");
    fuzz::check(reply->note.toUtf8().size() <= maxNoteBytes * 3, "a note within its limit");
    // Bytes that are no UTF-8 come back as U+FFFD, three bytes each, and a
    // note grown over its limit is cut when encoded again.
    if (reply->note.toUtf8().size() > maxNoteBytes)
        return 0;
    const std::optional<Reply> again = parseReply(encodeReply(*reply), largest);
    fuzz::check(again && again->outcome == reply->outcome && again->note == reply->note &&
                    again->text == reply->text && again->image == reply->image,
                "a reply encodes back to itself");
    return 0;
}
