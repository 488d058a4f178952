// Printing a recorded document: see print_job.h.

#include "print_job.h"

#include "page_renderer.h"
#include "print_error.h"
#include "printable_area.h"
#include "twips.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>

namespace print {

QString printerDescription(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat || !printer.outputFileName().isEmpty())
        return printer.outputFileName();
    return printer.printerName();
}

QString deviceLine(const QPrinter& printer) {
    QString name = printer.printerName();
    QString port;
    if (!printer.outputFileName().isEmpty()) {
        if (name.isEmpty())
            name = QStringLiteral("PDF file");
        port = printer.outputFileName();
    } else {
        port = QPrinterInfo::printerInfo(name).location();
        if (port.isEmpty())
            port = QStringLiteral("CUPS");
    }
    return QStringLiteral("on the %1 on %2").arg(name, port);
}

QString pageLine(int page, int total) {
    return QStringLiteral("Now printing Page %1 of %2").arg(page).arg(total);
}

namespace {

/// Sets where the painter's origin, position 0, lies on the printer's pages.
void placeOrigin(QPrinter& printer) {
    if (printer.outputFormat() != QPrinter::PdfFormat) {
        // A printer: positions start at the corner of the area it reports
        // it can print (its own margins), as they do on a PDF page.
        printer.setFullPage(false);
        return;
    }
    // A PDF file: the page stays the whole sheet, and positions start at the
    // corner of a printable area a quarter inch in from each edge.
    const double edge = UnprintableEdge / 20.0; // points
    if (!printer.setPageMargins(QMarginsF(edge, edge, edge, edge), QPageLayout::Point))
        throw PrintError(QStringLiteral("The page of \"%1\" cannot be given its printable area.")
                             .arg(printerDescription(printer)));
    printer.setFullPage(false);
}

} // namespace

JobResult printDocument(const RecordedDocument& doc, QPrinter& printer,
                        const PageProgress& progress) {
    const int total = static_cast<int>(doc.pages.size());
    placeOrigin(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintError(QStringLiteral("The printer \"%1\" could not be started.")
                             .arg(printerDescription(printer)));
    const double pixelsPerTwip = printer.resolution() / TwipsPerInch;
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i + 1, total)) {
            printer.abort();
            painter.end();
            return JobResult::Cancelled;
        }
        if (i > 0 && !printer.newPage()) {
            painter.end();
            throw PrintError(QStringLiteral("The printer \"%1\" refused page %2.")
                                 .arg(printerDescription(printer))
                                 .arg(i + 1));
        }
        renderPage(painter, doc, i, pixelsPerTwip);
    }
    if (!painter.end())
        throw PrintError(QStringLiteral("The printer \"%1\" could not finish the document.")
                             .arg(printerDescription(printer)));
    return JobResult::Printed;
}

JobResult printWithProgressWindow(const RecordedDocument& doc, QPrinter& printer, QWidget* parent) {
    QProgressDialog window(parent);
    window.setWindowTitle(QStringLiteral("Printing..."));
    window.setCancelButtonText(QStringLiteral("Cancel"));
    window.setWindowModality(Qt::WindowModal);
    window.setMinimumDuration(0);
    window.setAutoClose(false);
    window.setAutoReset(false);
    const int total = static_cast<int>(doc.pages.size());
    window.setRange(0, total);
    const QString device = deviceLine(printer);
    return printDocument(doc, printer, [&](int page, int pages) {
        window.setLabelText(
            QStringLiteral("Printing...\n%1\n%2").arg(device, pageLine(page, pages)));
        window.setValue(page - 1);
        QApplication::processEvents();
        return !window.wasCanceled();
    });
}

} // namespace print
