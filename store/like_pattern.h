#pragma once
// The grammar of the desktop engine's LIKE patterns, read in one place for
// the register file's matcher (text_match.h) and the server's translation
// of a pattern (postgres/pg_pattern.h), so that both see the same elements:
//   '*'       any run of characters, also none
//   '?'       one character
//   '#'       one digit 0-9
//   '[...]'   one character of a class: characters and ranges "a-z" (a '-'
//             first or last is itself); '[!...]' one character not in it
//   otherwise the character itself.
// A '[' that opens no class (no ']' after it, or nothing between) is
// itself, and "[!]" is the class holding '!'. Patterns and texts are UTF-8;
// a byte that starts no valid sequence stands for itself. An element is
// known by its first byte; a class ends at the first ']' after its body.
// Nothing is allocated.

#include <cstddef>
#include <string_view>

namespace store::likepattern {

/// True for the characters that open an element other than a literal:
/// '*', '?', '#' and '['. Every other character stands for itself.
constexpr bool opensElement(char32_t c) {
    return c == U'*' || c == U'?' || c == U'#' || c == U'[';
}

/// A byte that does not start a valid UTF-8 sequence stands for itself,
/// mapped above the Unicode range so it never equals a real code point.
constexpr char32_t InvalidByteBase = 0x110000;

struct CodePoint {
    char32_t value;     ///< the code point, or InvalidByteBase + byte
    std::size_t length; ///< bytes it takes in the text (1 to 4)
};

/// Decodes the character starting at s[i] (i < s.size()). Overlong forms,
/// surrogates and truncated sequences give a single invalid byte.
inline CodePoint decode(std::string_view s, std::size_t i);

enum class ElementKind { AnyRun, AnyOne, Digit, Class, Literal };

struct Element {
    ElementKind kind;
    std::size_t length;         ///< bytes of the pattern it takes
    char32_t literal = 0;       ///< the character a Literal stands for
    bool negated = false;       ///< a Class that takes what it does not hold
    std::string_view body = {}; ///< a Class's members, without "[", "[!" and "]"
};

/// The element that starts at pattern[p] (p < pattern.size()).
inline Element elementAt(std::string_view pattern, std::size_t p);

/// A member of a class: one character, or the range low-high as written.
struct Member {
    char32_t low;
    char32_t high;
    bool range;
};

/// The member of a class body that starts at body[k]; moves k past it.
inline Member memberAt(std::string_view body, std::size_t& k);

// --- definitions, inline: the matcher runs them for every character of
// every row a list filter reads.

inline CodePoint decode(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
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
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80)
            return invalid;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return invalid;
    return {value, length};
}

inline Element elementAt(std::string_view pattern, std::size_t p) {
    switch (pattern[p]) {
    case '*':
        return {ElementKind::AnyRun, 1};
    case '?':
        return {ElementKind::AnyOne, 1};
    case '#':
        return {ElementKind::Digit, 1};
    case '[': {
        std::size_t body = p + 1;
        bool negated = false;
        // "[!]" is a class holding '!', not an empty negated class.
        if (body + 1 < pattern.size() && pattern[body] == '!' && pattern[body + 1] != ']') {
            negated = true;
            ++body;
        }
        const std::size_t close = pattern.find(']', body);
        if (close == std::string_view::npos || close == body)
            return {ElementKind::Literal, 1, U'['};
        return {ElementKind::Class, close + 1 - p, 0, negated, pattern.substr(body, close - body)};
    }
    default: {
        const CodePoint c = decode(pattern, p);
        return {ElementKind::Literal, c.length, c.value};
    }
    }
}

inline Member memberAt(std::string_view body, std::size_t& k) {
    const CodePoint low = decode(body, k);
    k += low.length;
    if (k + 1 < body.size() && body[k] == '-') {
        const CodePoint high = decode(body, k + 1);
        k += 1 + high.length;
        return {low.value, high.value, true};
    }
    return {low.value, low.value, false};
}

} // namespace store::likepattern
