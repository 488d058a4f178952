#pragma once
// Length texts as the print engine accepts them for margins: a number with
// an optional unit, "in", "cm", "mm", "pt" or "tw" (twips), in any letter
// case and with blanks around; a bare number is in twips. ".5in" is 720
// twips, "1cm" 567. Pure functions, no Qt GUI needed.

#include <QString>
#include <optional>

namespace print {

inline constexpr double TwipsPerInch = 1440.0;

/// The length in twips, or nothing for a text that is not a length or is
/// negative.
std::optional<double> parseTwips(const QString& text);

} // namespace print
