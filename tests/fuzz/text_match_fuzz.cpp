// Fuzz target for LIKE matching and the text collation of the register
// (store/text_match.h), which run on every row of a filtered list.
//
// Input layout: the bytes up to the first NUL are a pattern, the rest (up
// to the next NUL, then the remainder) two texts; any part may be invalid
// UTF-8. Checked, besides what the sanitizers see:
//  - a pattern ending in '*' matches exactly what it matches with one more
//    '*' (the second form never takes the "*literal*" fast path, so the fast
//    path and the general matcher are compared);
//  - each text matches itself written as a pattern, its special characters
//    put in brackets ("a*b" -> "a[*]b"), and matches "*";
//  - the collation is an order: a text equals itself, swapping two texts
//    swaps the sign, and it is transitive across the three parts.
// Cost: a few passes over the parts; nothing is allocated by the code under
// test.

#include "fuzz_check.h"
#include "store/text_match.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

using store::textmatch::compare;
using store::textmatch::like;

/// The text as a pattern that matches it literally.
std::string literalPattern(std::string_view text) {
    std::string pattern;
    for (const char c : text) {
        if (c == '*' || c == '?' || c == '#' || c == '[') {
            pattern += '[';
            pattern += c;
            pattern += ']';
        } else {
            pattern += c;
        }
    }
    return pattern;
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

/// Cuts `rest` at its first NUL: the part before it, and `rest` after it.
std::string_view cut(std::string_view& rest) {
    const std::size_t nul = rest.find('\0');
    const std::string_view part = rest.substr(0, nul);
    rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    return part;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view pattern = cut(rest);
    const std::string_view text = cut(rest);
    const std::string_view other = rest;

    const bool matched = like(pattern, text);
    if (!pattern.empty() && pattern.back() == '*')
        fuzz::check(matched == like(std::string(pattern) + '*', text),
                    "the *literal* fast path agrees with the general matcher");
    fuzz::check(like("*", text), "'*' matches any text");
    fuzz::check(like(literalPattern(text), text), "a text matches itself as a pattern");
    like(pattern, other);

    fuzz::check(compare(text, text) == 0, "a text collates equal to itself");
    const int ab = sign(compare(text, other));
    fuzz::check(ab == -sign(compare(other, text)), "swapping two texts swaps the order");
    const int bc = sign(compare(other, pattern));
    const int ac = sign(compare(text, pattern));
    if (ab <= 0 && bc <= 0)
        fuzz::check(ac <= 0, "the collation is transitive");
    if (ab >= 0 && bc >= 0)
        fuzz::check(ac >= 0, "the collation is transitive");
    return 0;
}
