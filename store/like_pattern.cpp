// The desktop LIKE pattern grammar (see like_pattern.h): an element is
// known by its first byte; a class ends at the first ']' after its body.

#include "like_pattern.h"

namespace store::likepattern {

CodePoint decode(std::string_view s, std::size_t i) {
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

Element elementAt(std::string_view pattern, std::size_t p) {
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

Member memberAt(std::string_view body, std::size_t& k) {
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
