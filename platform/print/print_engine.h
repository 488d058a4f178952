#pragma once
// PrintEngine: the program's print engine, a widget that is also the
// preview pane. A caller lays out a document with the operations below
// (all positions and lengths in twips, 1440 to the inch, measured from
// position 0, the printable area's top-left corner on a PDF or preview
// page; see print_job.h) and the engine records it page by page; at endDoc()
// the document is either shown in the pane or sent to the printer.
//
// Destination: the preview switch as it stands at startDoc() decides.
// False sends the document to the printer at endDoc() (with the progress
// window, unless switched off for unattended runs); True shows it. Changing
// the switch during a document only affects the next one.
//
// Text: setText() writes at the current position and moves it right by the
// text's width; a line feed in the text ends the line, moving to the left
// margin one line height (the font's line spacing) lower. Text that would
// cross the bottom margin starts a new page first. Widths are measured with
// the current font at the printer's resolution. Positions left of the left
// margin are kept as they are: on paper they lie between the margin and
// position 0. The page's width and height are the whole sheet's.
//
// A preview shows its first page as soon as that page is complete, while
// the rest is still being laid out (firstPageShown() is emitted then).
//
// Failures raise PrintError. Cost: recording is a few microseconds per
// text; a 10^4-line report is about 230 pages and 10 MB of items.

#include "preview_pane.h"
#include "print_job.h"
#include "recorded_page.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QWidget>
#include <memory>
#include <optional>

class QPrinter;

namespace print {

class PrintEngine : public QWidget {
    Q_OBJECT
public:
    explicit PrintEngine(QWidget* parent = nullptr);
    ~PrintEngine() override;

    // --- margins: set from a length text (".5in", "1cm", "720"), read in twips
    void setMarginLeft(const QString& length);
    void setMarginRight(const QString& length);
    void setMarginTop(const QString& length);
    void setMarginBottom(const QString& length);
    double marginLeft() const { return marginLeft_; }
    double marginRight() const { return marginRight_; }
    double marginTop() const { return marginTop_; }
    double marginBottom() const { return marginBottom_; }

    // --- page and position
    double pageWidth() const;                 ///< paper width in the printer's orientation
    double pageHeight() const;                ///< paper height in the printer's orientation
    int currentPage() const { return page_; } ///< from 1; 0 outside a document
    double currentX() const;
    void setCurrentX(double x) {
        x_ = x;
        pendingAdvance_.clear();
    }
    double currentY() const { return y_; }
    void setCurrentY(double y) { y_ = y; }

    // --- text
    void setText(const QString& text);
    double textWidth(const QString& text) const;
    double lineHeight() const;

    // --- font
    QString fontName() const { return fontName_; }
    void setFontName(const QString& name);
    double fontSize() const { return font_.pointSizeF(); }
    void setFontSize(double points);
    bool fontUnderline() const { return font_.underline(); }
    void setFontUnderline(bool on);

    // --- document
    void startDoc();
    /// Completes the document: shows it, or prints it. Returns whether a
    /// print job was cancelled by the user.
    JobResult endDoc();
    void newPage();
    /// Drops a document left unfinished by a failure.
    void abortDoc();
    bool inDocument() const { return inDoc_; }

    bool preview() const { return preview_; }
    void setPreview(bool on) { preview_ = on; }

    // --- printer
    /// The printer documents go to; Print Setup configures it.
    QPrinter& printer() { return *printer_; }
    /// Sends documents to a PDF file instead of a printer, with no dialog.
    void setPdfOutput(const QString& fileName);
    /// The printer dialog (which also offers printing to a PDF file).
    /// Returns false when the user cancelled it. On a system without a
    /// printer the dialog proposes the PDF file named by setPdfProposal in
    /// the home folder; cancelled, it leaves no file chosen.
    bool printSetup(QWidget* parent);
    /// The PDF file name printSetup proposes when there is no printer.
    void setPdfProposal(const QString& fileName) { pdfProposal_ = fileName; }
    /// Whether the printer can be used without asking the user: a PDF file
    /// is chosen or the system has a printer.
    bool hasUsablePrinter() const;
    /// Whether printing shows the progress window (default true).
    void setProgressWindow(bool on) { progressWindow_ = on; }

    // --- the recorded document, for the pane and for checks
    /// The document being built, or the last one finished.
    const RecordedDocument& document() const { return *doc_; }
    PreviewPane* pane() const { return pane_; }

signals:
    /// A preview's first page has been painted in the pane.
    void firstPageShown();

private:
    const QFontMetricsF& metrics() const;
    void settleAdvance() const;
    int fontIndex();
    void setMargin(double& margin, const QString& length, const char* which);
    void fontChanged();

    std::unique_ptr<QPrinter> printer_;             ///< destination and measuring device
    PreviewPane* pane_ = nullptr;                   ///< child widget showing doc_
    std::shared_ptr<RecordedDocument> doc_;         ///< the document being built or last finished
    std::shared_ptr<const RecordedDocument> shown_; ///< the document in the pane
    bool firstPageShown_ = false; ///< the pane already shows this document's first page
    QFont font_;                  ///< the current font
    QString fontName_;            ///< the name as set, before resolution
    mutable std::optional<QFontMetricsF> metrics_; ///< of font_ on printer_
    mutable QHash<QString, double> widths_;        ///< text widths in font_, twips (a memo)
    mutable double lineHeight_ = -1;               ///< of font_, twips; -1 = not measured
    /// Text written last whose width has not yet been added to x_: the
    /// width is measured only if the position is read or text follows.
    mutable QString pendingAdvance_;
    int fontIndex_ = -1;         ///< font_'s entry in doc_.fonts, -1 = not yet
    double marginLeft_ = 1440;   ///< twips
    double marginRight_ = 1440;  ///< twips
    double marginTop_ = 1440;    ///< twips
    double marginBottom_ = 1440; ///< twips
    mutable double x_ = 0;       ///< current position, twips
    double y_ = 0;               ///< top of the current line, twips
    int page_ = 0;               ///< current page from 1, 0 outside a document
    bool inDoc_ = false;         ///< between startDoc and endDoc
    bool preview_ = true;        ///< the preview switch
    bool docToPrinter_ = false;  ///< destination fixed at startDoc
    bool progressWindow_ = true; ///< show the progress window when printing
    QString pdfProposal_;        ///< file name offered without a printer
};

} // namespace print
