#pragma once
// The main menu's two messages, ready for the main window to call: "Print..."
// on an empty list and "About...". Both are message boxes with the caption
// "Arkelby", an OK button only and no icon; they return when closed.

class QWidget;

namespace reports {

inline constexpr const char* NothingToPrintText = "Nothing to print.";
inline constexpr const char* AboutText = "Arkelby - version 3.2.15";

void showNothingToPrint(QWidget* parent);
void showAbout(QWidget* parent);

} // namespace reports
