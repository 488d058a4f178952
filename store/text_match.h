#pragma once
// Text comparison of the register: LIKE with the desktop engine's patterns,
// without regard to letter case, also for letters beyond ASCII (é matches
// É), and the case-blind order compare() that earlier builds kept in the
// file as the collation JETTEXT. They work on UTF-8 bytes with a fast path
// for ASCII, because a list filter runs like() over every row at each
// keystroke.
//
// The register file's connections call them from SQL (see
// sqlite/sqlite_functions.h); the engine itself uses them for criteria it
// tests in memory and for type-ahead.

#include <string_view>

namespace store::textmatch {

/// True when `text` matches `pattern`: '*' any run of characters, '?' one
/// character, '#' one digit, '[abc]' '[a-z]' '[!abc]' a character class
/// ("[*]" matches a literal '*'); everything else matches itself, letter
/// case ignored (the grammar: like_pattern.h). Invalid UTF-8 is compared
/// byte by byte.
bool like(std::string_view pattern, std::string_view text);

/// Case-blind order: negative, 0 or positive. Letter case is ignored, also
/// beyond ASCII; texts equal but for case compare equal.
int compare(std::string_view a, std::string_view b);

/// The case-folded form of a code point as like() and compare() fold it;
/// a character beyond ASCII never folds into ASCII (the Kelvin sign stays
/// itself), so ASCII and the rest never meet.
char32_t foldCase(char32_t c);

} // namespace store::textmatch
