#pragma once
// File > Export List...: a save dialog titled "Export List" that proposes
// "Arkelby list.csv" in the user's home folder (and asks before replacing
// a file), then the export of the list under the chosen name
// (list_export.h) with the pointer busy meanwhile. A file that cannot be
// written is reported in a message box that names it and the cause. The
// dialog is Qt's own rather than the desktop's, so that it is the same on
// every desktop and tests can answer it headless.

class QWidget;

namespace store {
class Recordset;
}

namespace reports {

/// The file name the dialog proposes, in the home folder.
inline constexpr const char* ExportProposal = "Arkelby list.csv";

/// Asks where to save `list` and writes it there; returns once written,
/// reported or cancelled. The list's current row does not move.
void exportListAs(const store::Recordset& list, QWidget* parent);

} // namespace reports
