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
// a byte that starts no valid sequence stands for itself. Nothing is
// allocated.

#include <cstddef>
#include <string_view>

namespace store::likepattern {

/// A byte that does not start a valid UTF-8 sequence stands for itself,
/// mapped above the Unicode range so it never equals a real code point.
constexpr char32_t InvalidByteBase = 0x110000;

struct CodePoint {
    char32_t value;     ///< the code point, or InvalidByteBase + byte
    std::size_t length; ///< bytes it takes in the text (1 to 4)
};

/// Decodes the character starting at s[i] (i < s.size()). Overlong forms,
/// surrogates and truncated sequences give a single invalid byte.
CodePoint decode(std::string_view s, std::size_t i);

enum class ElementKind { AnyRun, AnyOne, Digit, Class, Literal };

struct Element {
    ElementKind kind;
    std::size_t length;         ///< bytes of the pattern it takes
    char32_t literal = 0;       ///< the character a Literal stands for
    bool negated = false;       ///< a Class that takes what it does not hold
    std::string_view body = {}; ///< a Class's members, without "[", "[!" and "]"
};

/// The element that starts at pattern[p] (p < pattern.size()).
Element elementAt(std::string_view pattern, std::size_t p);

/// A member of a class: one character, or the range low-high as written.
struct Member {
    char32_t low;
    char32_t high;
    bool range;
};

/// The member of a class body that starts at body[k]; moves k past it.
Member memberAt(std::string_view body, std::size_t& k);

} // namespace store::likepattern
