// The print engine: see print_engine.h.

#include "print_engine.h"

#include "print_error.h"
#include "twips.h"

#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QVBoxLayout>

namespace print {

PrintEngine::PrintEngine(QWidget* parent)
    : QWidget(parent), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      doc_(std::make_shared<RecordedDocument>()) {
    fontName_ = QStringLiteral("Arial");
    font_ = QFont(fontName_);
    font_.setPointSizeF(11);
    pane_ = new PreviewPane(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pane_);
    setFocusProxy(pane_);
}

PrintEngine::~PrintEngine() = default;

void PrintEngine::setMargin(double& margin, const QString& length, const char* which) {
    const auto twips = parseTwips(length);
    if (!twips)
        throw PrintError(QStringLiteral("The %1 margin \"%2\" is not a length.")
                             .arg(QLatin1String(which), length));
    margin = *twips;
}

void PrintEngine::setMarginLeft(const QString& length) {
    setMargin(marginLeft_, length, "left");
}
void PrintEngine::setMarginRight(const QString& length) {
    setMargin(marginRight_, length, "right");
}
void PrintEngine::setMarginTop(const QString& length) {
    setMargin(marginTop_, length, "top");
}
void PrintEngine::setMarginBottom(const QString& length) {
    setMargin(marginBottom_, length, "bottom");
}

double PrintEngine::pageWidth() const {
    return printer_->pageLayout().fullRect(QPageLayout::Point).width() * 20.0;
}

double PrintEngine::pageHeight() const {
    return printer_->pageLayout().fullRect(QPageLayout::Point).height() * 20.0;
}

const QFontMetricsF& PrintEngine::metrics() const {
    if (!metrics_)
        metrics_.emplace(font_, printer_.get());
    return *metrics_;
}

double PrintEngine::textWidth(const QString& text) const {
    if (auto it = widths_.constFind(text); it != widths_.cend())
        return *it;
    const double width = metrics().horizontalAdvance(text) * TwipsPerInch / printer_->logicalDpiY();
    if (widths_.size() >= 4096)
        widths_.clear();
    widths_.insert(text, width);
    return width;
}

double PrintEngine::lineHeight() const {
    if (lineHeight_ < 0)
        lineHeight_ = metrics().lineSpacing() * TwipsPerInch / printer_->logicalDpiY();
    return lineHeight_;
}

void PrintEngine::settleAdvance() const {
    if (!pendingAdvance_.isEmpty()) {
        x_ += textWidth(pendingAdvance_);
        pendingAdvance_.clear();
    }
}

double PrintEngine::currentX() const {
    settleAdvance();
    return x_;
}

void PrintEngine::fontChanged() {
    settleAdvance(); // the pending text was written in the old font
    metrics_.reset();
    widths_.clear();
    lineHeight_ = -1;
    fontIndex_ = -1;
}

void PrintEngine::setFontName(const QString& name) {
    fontName_ = name;
    font_.setFamily(name.trimmed());
    fontChanged();
}

void PrintEngine::setFontSize(double points) {
    if (points <= 0)
        throw PrintError(QStringLiteral("The font size %1 is not valid.").arg(points));
    font_.setPointSizeF(points);
    fontChanged();
}

void PrintEngine::setFontUnderline(bool on) {
    font_.setUnderline(on);
    fontChanged();
}

int PrintEngine::fontIndex() {
    if (fontIndex_ < 0) {
        for (size_t i = 0; i < doc_->fonts.size(); ++i)
            if (doc_->fonts[i].font == font_)
                fontIndex_ = static_cast<int>(i);
        if (fontIndex_ < 0) {
            const double ascent = metrics().ascent() * TwipsPerInch / printer_->logicalDpiY();
            doc_->fonts.push_back({font_, ascent});
            fontIndex_ = static_cast<int>(doc_->fonts.size()) - 1;
        }
    }
    return fontIndex_;
}

void PrintEngine::startDoc() {
    doc_ = std::make_shared<RecordedDocument>();
    doc_->pageWidth = pageWidth();
    doc_->pageHeight = pageHeight();
    doc_->pages.emplace_back();
    fontIndex_ = -1;
    firstPageShown_ = false;
    page_ = 1;
    pendingAdvance_.clear();
    x_ = marginLeft_;
    y_ = marginTop_;
    inDoc_ = true;
    docToPrinter_ = !preview_;
}

void PrintEngine::newPage() {
    if (!inDoc_)
        throw PrintError(QStringLiteral("A new page was asked for outside a document."));
    if (page_ == 1 && !docToPrinter_ && !firstPageShown_) {
        // Show the finished first page now; the rest follows at endDoc.
        firstPageShown_ = true;
        shown_ = doc_;
        pane_->setDocument(shown_.get());
        if (pane_->isVisible())
            pane_->repaint();
        emit firstPageShown();
    }
    doc_->pages.emplace_back();
    ++page_;
    pendingAdvance_.clear();
    x_ = marginLeft_;
    y_ = marginTop_;
}

void PrintEngine::setText(const QString& text) {
    if (!inDoc_)
        throw PrintError(QStringLiteral("Text was written outside a document."));
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        const bool lineFeed = end >= 0;
        if (!lineFeed)
            end = text.size();
        if (end > start) {
            settleAdvance();
            const QString piece = text.mid(start, end - start);
            // Text that would cross the bottom margin goes on a new page.
            if (y_ + lineHeight() > doc_->pageHeight - marginBottom_ && y_ > marginTop_)
                newPage();
            doc_->pages.back().items.push_back({x_, y_, fontIndex(), piece});
            pendingAdvance_ = piece;
        }
        if (!lineFeed)
            break;
        pendingAdvance_.clear();
        x_ = marginLeft_;
        y_ += lineHeight();
        start = end + 1;
    }
}

JobResult PrintEngine::endDoc() {
    if (!inDoc_)
        throw PrintError(QStringLiteral("The document was ended before it was started."));
    inDoc_ = false;
    if (docToPrinter_) {
        const JobResult result = progressWindow_
                                     ? printWithProgressWindow(*doc_, *printer_, window())
                                     : printDocument(*doc_, *printer_);
        page_ = 0;
        return result;
    }
    shown_ = doc_;
    pane_->setDocument(shown_.get());
    if (!firstPageShown_) {
        firstPageShown_ = true;
        if (pane_->isVisible())
            pane_->repaint();
        emit firstPageShown();
    }
    return JobResult::Printed;
}

void PrintEngine::abortDoc() {
    const bool building = inDoc_;
    inDoc_ = false;
    page_ = 0;
    if (building && shown_ == doc_) { // a half-made preview is not left on view
        shown_.reset();
        pane_->setDocument(nullptr);
    }
    doc_ = std::make_shared<RecordedDocument>();
}

void PrintEngine::setPdfOutput(const QString& fileName) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(fileName);
    fontChanged();
}

bool PrintEngine::printSetup(QWidget* parent) {
    // Without a printer the dialog can only print to a file, and some
    // platforms' dialogs offer just a folder for it: propose a whole name.
    const bool propose = printer_->outputFileName().isEmpty() && !pdfProposal_.isEmpty() &&
                         QPrinterInfo::availablePrinterNames().isEmpty();
    if (propose)
        printer_->setOutputFileName(QDir::home().filePath(pdfProposal_));
    QPrintDialog dialog(printer_.get(), parent);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (propose && !accepted) {
        printer_->setOutputFileName(QString()); // nothing chosen: ask again next time
        printer_->setOutputFormat(QPrinter::NativeFormat);
    }
    fontChanged(); // the resolution may differ
    return accepted;
}

bool PrintEngine::hasUsablePrinter() const {
    if (!printer_->outputFileName().isEmpty())
        return true;
    return printer_->isValid() && !QPrinterInfo::availablePrinterNames().isEmpty();
}

} // namespace print
