#pragma once
// Sends a recorded document to a QPrinter (a real printer or a PDF file),
// page by page, asking a progress callback before each page whether to go
// on. A callback that returns false cancels the job: the printer is told to
// abort and the result is Cancelled. A printer that cannot be started or
// refuses a page raises PrintError naming the printer or the page.
//
// Position 0 of the recorded pages lies at the paper's corner on a printer,
// and on a PDF page at the corner of its printable area, a quarter inch in
// from the edges (printable_area.h); the preview draws pages like a PDF.
//
// printWithProgressWindow() is the interactive form: it shows the progress
// window ("Printing...", the device line, "Now printing Page n of m",
// button "Cancel") while the job runs. Cost: one page render per page.

#include "recorded_page.h"

#include <QString>
#include <functional>

class QPrinter;
class QWidget;

namespace print {

enum class JobResult { Printed, Cancelled };

/// Called before page `page` (1-based) of `total`; return false to cancel.
using PageProgress = std::function<bool(int page, int total)>;

JobResult printDocument(const RecordedDocument& doc, QPrinter& printer,
                        const PageProgress& progress = {});

JobResult printWithProgressWindow(const RecordedDocument& doc, QPrinter& printer, QWidget* parent);

/// "on the <printer> on <port>": the printer's name and where it prints
/// (the output file for a PDF, the printer's location otherwise).
QString deviceLine(const QPrinter& printer);

/// "Now printing Page <page> of <total>".
QString pageLine(int page, int total);

/// A readable name of where the printer prints, for messages.
QString printerDescription(const QPrinter& printer);

} // namespace print
