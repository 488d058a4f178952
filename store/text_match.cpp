// LIKE matching and the case-blind order over UTF-8 bytes.
//
// Both walk the texts in place: a byte below 0x80 is compared directly
// (lower-cased), anything else is decoded to a code point and case-folded
// with Qt's tables. The pattern's elements are read as like_pattern.h
// reads them. Nothing is allocated. like() handles '*' with the greedy
// method that keeps a single backtrack point, which is correct because every
// other pattern element consumes exactly one character: the cost is at most
// pattern length times text length, usually close to the text length.
//

#include "text_match.h"

#include "like_pattern.h"

#include <QChar>
#include <QString>
#include <cstddef>
#include <optional>

namespace store::textmatch {
namespace {

using likepattern::CodePoint;
using likepattern::decode;
using likepattern::ElementKind;
using likepattern::InvalidByteBase;

constexpr unsigned char byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

constexpr char32_t asciiLower(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

/// The case-folded form of a code point; invalid bytes stay as they are.
char32_t fold(char32_t c) {
    if (c >= InvalidByteBase)
        return c;
    return foldCase(c);
}

} // namespace

char32_t foldCase(char32_t c) {
    if (c < 0x80)
        return asciiLower(c);
    // The Kelvin sign and the long s fold to ASCII letters; keeping every
    // non-ASCII character out of ASCII lets the list filters' byte-wise
    // fast path and the general matcher always agree.
    const char32_t f = QChar::toCaseFolded(c);
    return f < 0x80 ? c : f;
}

namespace {

bool sameIgnoringCase(char32_t a, char32_t b) {
    return a == b || fold(a) == fold(b);
}

/// True when `c` is one of the characters or ranges of a class body.
/// Letter case is ignored for single characters and ranges.
bool inClass(std::string_view body, char32_t c) {
    const char32_t folded = fold(c);
    for (std::size_t k = 0; k < body.size();) {
        const likepattern::Member m = likepattern::memberAt(body, k);
        if (m.range
                ? (c >= m.low && c <= m.high) || (folded >= fold(m.low) && folded <= fold(m.high))
                : sameIgnoringCase(c, m.low))
            return true;
    }
    return false;
}

/// Whether the pattern element at pattern[p] (not '*') matches one text
/// character; `length` is set to the element's bytes.
bool matchElement(std::string_view pattern, std::size_t p, char32_t c, std::size_t& length) {
    const likepattern::Element e = likepattern::elementAt(pattern, p);
    length = e.length;
    switch (e.kind) {
    case ElementKind::AnyOne:
        return true;
    case ElementKind::Digit:
        return c >= '0' && c <= '9';
    case ElementKind::Class:
        return inClass(e.body, c) != e.negated;
    case ElementKind::Literal:
    case ElementKind::AnyRun:
        break;
    }
    return sameIgnoringCase(c, e.literal);
}

/// The list filters always ask for "*text*". When that text is plain ASCII
/// the match is a case-blind substring search over bytes (a byte of a
/// multi-byte character is never ASCII, so it cannot match by mistake),
/// which is several times cheaper than the general matcher.
std::optional<bool> containsAscii(std::string_view pattern, std::string_view text) {
    constexpr std::size_t maxLiteral = 64;
    if (pattern.size() < 3 || pattern.size() - 2 > maxLiteral || pattern.front() != '*' ||
        pattern.back() != '*')
        return std::nullopt;
    const std::string_view literal = pattern.substr(1, pattern.size() - 2);
    char lower[maxLiteral];
    for (std::size_t i = 0; i < literal.size(); ++i) {
        const auto b = static_cast<unsigned char>(literal[i]);
        if (b >= 0x80 || likepattern::opensElement(b))
            return std::nullopt;
        lower[i] = static_cast<char>(asciiLower(b));
    }
    if (literal.size() > text.size())
        return false;
    const std::size_t last = text.size() - literal.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (static_cast<char>(asciiLower(byteAt(text, i))) != lower[0])
            continue;
        std::size_t k = 1;
        while (k < literal.size() && static_cast<char>(asciiLower(byteAt(text, i + k))) == lower[k])
            ++k;
        if (k == literal.size())
            return true;
    }
    return false;
}

} // namespace

bool like(std::string_view pattern, std::string_view text) {
    if (const auto quick = containsAscii(pattern, text))
        return *quick;
    constexpr std::size_t none = std::string_view::npos;
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starPattern = none; // pattern position just after the last '*'
    std::size_t starText = 0;       // text position that '*' was last tried up to
    while (t < text.size()) {
        if (p < pattern.size()) {
            const unsigned char pb = byteAt(pattern, p);
            const unsigned char tb = byteAt(text, t);
            if (pb == '*') {
                if (++p == pattern.size())
                    return true; // a trailing '*' takes the rest
                starPattern = p;
                starText = t;
                continue;
            }
            if (pb < 0x80 && tb < 0x80 && !likepattern::opensElement(pb)) {
                if (asciiLower(pb) == asciiLower(tb)) {
                    ++p;
                    ++t;
                    continue;
                }
            } else {
                const CodePoint c = decode(text, t);
                std::size_t length = 0;
                if (matchElement(pattern, p, c.value, length)) {
                    p += length;
                    t += c.length;
                    continue;
                }
            }
        }
        if (starPattern == none)
            return false;
        // Let the last '*' take one more character and retry after it.
        starText += decode(text, starText).length;
        t = starText;
        p = starPattern;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

int compare(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char ab = byteAt(a, i);
        const unsigned char bb = byteAt(b, j);
        char32_t left = 0;
        char32_t right = 0;
        if (ab < 0x80 && bb < 0x80) {
            left = asciiLower(ab);
            right = asciiLower(bb);
            ++i;
            ++j;
        } else {
            const CodePoint ca = decode(a, i);
            const CodePoint cb = decode(b, j);
            left = fold(ca.value);
            right = fold(cb.value);
            i += ca.length;
            j += cb.length;
        }
        if (left != right)
            return left < right ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace store::textmatch
