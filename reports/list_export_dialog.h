#pragma once
// File > Export List...: a save dialog titled "Export List" that offers
// an Excel workbook first, proposing "Arkelby list.xlsx" in the user's
// home folder, and CSV beside it (and asks before replacing a file), then
// the export of the list under the chosen name (list_export.h; the name's
// suffix chooses the format, and follows the chosen file type) with the
// pointer busy meanwhile. A file that cannot be written is reported in a
// message box that names it and the cause; texts too long for a
// workbook's cell, in a message box naming them. The
// dialog is Qt's own rather than the desktop's, so that it is the same on
// every desktop and tests can answer it headless.

class QWidget;

namespace store {
class Recordset;
}

namespace reports {

/// The file name the dialog proposes, in the home folder.
inline constexpr const char* ExportProposal = "Arkelby list.xlsx";

/// Asks where to save `list` and writes it there; returns once written,
/// reported or cancelled. The list's current row does not move.
void exportListAs(const store::Recordset& list, QWidget* parent);

} // namespace reports
