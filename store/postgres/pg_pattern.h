#pragma once
// The desktop engine's LIKE patterns ('*', '?', '#', '[a-z]', '[!abc]')
// as the server matches them, so that a filter finds on a server exactly
// the rows it finds in a register file (text_match.h): letter case is
// ignored through the file's own folding (textmatch::foldCase), never the
// server's locale, so that 'İ' finds only 'İ' and '[z-a]' finds nothing on
// both. The pattern is read in its UTF-8 form, as the file reads it
// (like_pattern.h).
//
// A pattern of ASCII characters without '#' or a class becomes an ILIKE
// pattern, matched in the collation "C" (where ILIKE folds A to Z only, as
// the file does, and the trigram indexes serve it). Every other pattern
// becomes an anchored regular expression for the case-sensitive operator ~
// in the collation "C", in which each letter stands for the set of
// characters the file takes as the same letter ("[aA]") and each class for
// the characters the file's class holds. Cost: linear in the pattern, plus
// a table of the characters that fold, built once.

#include <QString>
#include <optional>

namespace store::postgres {

/// The desktop pattern as an anchored regular expression for ~ in the
/// collation "C".
QString likeExpression(const QString& pattern);

/// The desktop pattern as an ILIKE pattern, or nothing when it holds a
/// character beyond ASCII, a '#' or a class.
std::optional<QString> ilikePattern(const QString& pattern);

} // namespace store::postgres
