#pragma once
// Text comparison of the register: LIKE with the desktop engine's patterns
// and the JETTEXT collation, both without regard to letter case, also for
// letters beyond ASCII (é matches É). They work on UTF-8 bytes with a fast
// path for ASCII, because a list filter runs like() over every row at each
// keystroke.

#include <string_view>

struct sqlite3;

namespace store::textmatch {

/// True when `text` matches `pattern`: '*' any run of characters, '?' one
/// character, '#' one digit, '[abc]' '[a-z]' '[!abc]' a character class
/// ("[*]" matches a literal '*'); everything else matches itself, letter
/// case ignored. Invalid UTF-8 is compared byte by byte.
bool like(std::string_view pattern, std::string_view text);

/// Collation order: negative, 0 or positive. Letter case is ignored; texts
/// equal but for case compare equal.
int compare(std::string_view a, std::string_view b);

/// Installs like() (replacing SQLite's own, 2- and 3-argument forms) and the
/// collation "JETTEXT" on a connection.
void install(sqlite3* db);

} // namespace store::textmatch
