#pragma once
// Cp1252Decoder turns the single-byte Windows-1252 text of the earlier
// release's files into Unicode, and Cp1252Encoder the reverse (for the tool
// that writes such files). Both use the C library's iconv converter.
//
// Every input byte gives exactly one character, so a decoded record can be
// cut at the byte offsets of its fields. The five byte values that
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the
// control characters of the same number, as Windows itself decodes them.
//
// Cost: the first decoder asks iconv once for the character of each of the
// 256 byte values and keeps the answers; decoding is then one table lookup
// per byte (importing 10^5 records decodes some 30 MB). The encoder makes
// one iconv call per text.

#include <QByteArrayView>
#include <QString>
#include <iconv.h>

namespace legacy {

class Cp1252Decoder {
public:
    /// Raises LegacyError if the C library lacks the converter.
    Cp1252Decoder();

    /// The text of `bytes`, one character per byte.
    QString decode(QByteArrayView bytes) const;

private:
    const char16_t* table_; ///< the character of each byte value, from iconv
};

/// The reverse direction, for the tool that writes legacy files: Unicode
/// to Windows-1252; a character the code page lacks becomes '?'. Owns one
/// iconv descriptor like the decoder.
class Cp1252Encoder {
public:
    Cp1252Encoder();
    ~Cp1252Encoder();
    Cp1252Encoder(const Cp1252Encoder&) = delete;
    Cp1252Encoder& operator=(const Cp1252Encoder&) = delete;

    QByteArray encode(const QString& text);

private:
    iconv_t cd_; ///< the open descriptor, UTF-8 to Windows-1252
};

} // namespace legacy
