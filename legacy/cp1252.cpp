// Windows-1252 to and from Unicode through iconv; see cp1252.h.

#include "cp1252.h"

#include "legacy_error.h"

#include <array>
#include <cerrno>
#include <cstdint>

namespace legacy {
namespace {

const iconv_t failed = reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1));

iconv_t openConverter(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == failed)
        throw LegacyError(
            QStringLiteral(
                "The text converter from %1 to %2 is missing from this system, so the old "
                "register cannot be read or written. Install the C library's character set "
                "converters (gconv) and try again.")
                .arg(QLatin1String(from), QLatin1String(to)));
    return cd;
}

} // namespace

namespace {

/// The character of every byte value, asked of iconv one byte at a time.
std::array<char16_t, 256> byteCharacters() {
    const iconv_t cd = openConverter("UTF-16LE", "WINDOWS-1252");
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[4] = {};
        char* inp = &in;
        char* outp = reinterpret_cast<char*>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool converted =
            iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) &&
            outLeft == sizeof out - 2;
        // An undefined byte: the control character of the same number.
        table[static_cast<size_t>(b)] =
            converted ? static_cast<char16_t>(out[0] | out[1] << 8) : static_cast<char16_t>(b);
    }
    iconv_close(cd);
    return table;
}

} // namespace

Cp1252Decoder::Cp1252Decoder() {
    static const std::array<char16_t, 256> table = byteCharacters();
    table_ = table.data();
}

QString Cp1252Decoder::decode(QByteArrayView bytes) const {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(table_[static_cast<unsigned char>(bytes[i])]);
    return text;
}

Cp1252Encoder::Cp1252Encoder() : cd_(openConverter("WINDOWS-1252", "UTF-8")) {}

Cp1252Encoder::~Cp1252Encoder() {
    iconv_close(cd_);
}

QByteArray Cp1252Encoder::encode(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    QByteArray result(utf8.size() + 4, '\0');
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = utf8.data();
    size_t inLeft = static_cast<size_t>(utf8.size());
    char* out = result.data();
    size_t outLeft = static_cast<size_t>(result.size());
    while (inLeft > 0) {
        if (iconv(cd_, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A character the code page lacks: one '?' for its whole UTF-8 sequence.
        *out++ = '?';
        --outLeft;
        do {
            ++in;
            --inLeft;
        } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
    result.truncate(out - result.data());
    return result;
}

} // namespace legacy
