// LIKE matching and the case-blind order over UTF-8 bytes.
//
// Both walk the texts in place: a byte below 0x80 is compared directly
// (lower-cased), anything else is decoded to a code point and case-folded
// with Qt's tables. Nothing is allocated. like() handles '*' with the greedy
// method that keeps a single backtrack point, which is correct because every
// other pattern element consumes exactly one character: the cost is at most
// pattern length times text length, usually close to the text length.
//

#include "text_match.h"

#include <QChar>
#include <QString>
#include <cstddef>
#include <optional>

namespace store::textmatch {
namespace {

/// A byte that does not start a valid UTF-8 sequence stands for itself,
/// mapped above the Unicode range so it never equals a real code point.
constexpr char32_t InvalidByteBase = 0x110000;

struct CodePoint {
    char32_t value;     ///< the code point, or InvalidByteBase + byte
    std::size_t length; ///< bytes it takes in the text (1 to 4)
};

constexpr unsigned char byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

constexpr char32_t asciiLower(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

/// Decodes the character starting at s[i] (i < s.size()). Overlong forms,
/// surrogates and truncated sequences give a single invalid byte.
CodePoint decode(std::string_view s, std::size_t i) {
    const unsigned char lead = byteAt(s, i);
    if (lead < 0x80)
        return {lead, 1};
    const CodePoint invalid{InvalidByteBase + lead, 1};
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1Fu;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0Fu;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return invalid;
    }
    if (s.size() - i < length)
        return invalid;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = byteAt(s, i + k);
        if ((next & 0xC0) != 0x80)
            return invalid;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return invalid;
    return {value, length};
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

/// Where the class starting at pattern[open] == '[' ends. Sets `bodyBegin`
/// past a leading '!' (and `negated`). Returns the index of the closing ']'
/// or npos when the class is malformed (no ']', or nothing between the
/// brackets), in which case the '[' is an ordinary character.
std::size_t classEnd(std::string_view pattern, std::size_t open, std::size_t& bodyBegin,
                     bool& negated) {
    bodyBegin = open + 1;
    negated = false;
    // "[!]" is a class holding '!', not an empty negated class.
    if (bodyBegin + 1 < pattern.size() && pattern[bodyBegin] == '!' &&
        pattern[bodyBegin + 1] != ']') {
        negated = true;
        ++bodyBegin;
    }
    const std::size_t close = pattern.find(']', bodyBegin);
    if (close == std::string_view::npos || close == bodyBegin)
        return std::string_view::npos;
    return close;
}

/// True when `c` is one of the characters or ranges in pattern[begin, end).
/// A '-' between two characters makes a range; a leading or trailing '-'
/// is itself. Letter case is ignored for single characters and ranges.
bool inClass(std::string_view pattern, std::size_t begin, std::size_t end, char32_t c) {
    const char32_t folded = fold(c);
    std::size_t k = begin;
    while (k < end) {
        const CodePoint low = decode(pattern, k);
        k += low.length;
        if (k + 1 < end && pattern[k] == '-') {
            const CodePoint high = decode(pattern, k + 1);
            k += 1 + high.length;
            if ((c >= low.value && c <= high.value) ||
                (folded >= fold(low.value) && folded <= fold(high.value)))
                return true;
        } else if (sameIgnoringCase(c, low.value)) {
            return true;
        }
    }
    return false;
}

struct Step {
    std::size_t length; ///< bytes of the pattern element
    bool matched;       ///< whether it matches the text character
};

/// Matches the pattern element at pattern[p] (not '*') against one text
/// character.
Step matchElement(std::string_view pattern, std::size_t p, char32_t c) {
    switch (pattern[p]) {
    case '?':
        return {1, true};
    case '#':
        return {1, c >= '0' && c <= '9'};
    case '[': {
        std::size_t bodyBegin = 0;
        bool negated = false;
        const std::size_t close = classEnd(pattern, p, bodyBegin, negated);
        if (close != std::string_view::npos)
            return {close + 1 - p, inClass(pattern, bodyBegin, close, c) != negated};
        return {1, c == '['};
    }
    default: {
        const CodePoint literal = decode(pattern, p);
        return {literal.length, sameIgnoringCase(c, literal.value)};
    }
    }
}

constexpr bool isSpecial(unsigned char b) {
    return b == '?' || b == '#' || b == '[';
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
        if (b >= 0x80 || b == '*' || isSpecial(b))
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
            if (pb < 0x80 && tb < 0x80 && !isSpecial(pb)) {
                if (asciiLower(pb) == asciiLower(tb)) {
                    ++p;
                    ++t;
                    continue;
                }
            } else {
                const CodePoint c = decode(text, t);
                const Step step = matchElement(pattern, p, c.value);
                if (step.matched) {
                    p += step.length;
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
