// The preview pane: see preview_pane.h. The canvas lays pages out for the
// zoom choice and the viewport size, and paints those in the dirty region.

#include "preview_pane.h"

#include "page_renderer.h"
#include "platform/a11y/value_label.h"
#include "printable_area.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace print {

/// Lays pages out in a grid of `columns` at a scale, and paints them.
class PageCanvas : public QWidget {
public:
    explicit PageCanvas(QWidget* parent) : QWidget(parent) { setAutoFillBackground(false); }

    void setDocument(const RecordedDocument* doc) { doc_ = doc; }

    /// Recomputes scale and size for a zoom choice in a viewport.
    void relayout(Zoom zoom, QSize viewport) {
        if (!doc_ || doc_->pages.empty() || doc_->pageWidth <= 0 || doc_->pageHeight <= 0) {
            resize(viewport);
            return;
        }
        const double w = doc_->pageWidth, h = doc_->pageHeight;
        const double vw = std::max(50, viewport.width() - 2 * Gap);
        const double vh = std::max(50, viewport.height() - 2 * Gap);
        switch (zoom) {
        case Zoom::WholePage:
            columns_ = 1;
            scale_ = std::min(vw / w, vh / h);
            break;
        case Zoom::PageWidth:
            columns_ = 1;
            scale_ = (vw - ScrollBarRoom) / w;
            break;
        case Zoom::TwoPages:
            columns_ = 2;
            scale_ = std::min((vw - Gap) / (2 * w), vh / h);
            break;
        case Zoom::Thumbnail:
            scale_ = ThumbWidth / w;
            columns_ = std::max(1, static_cast<int>((vw - ScrollBarRoom) / (ThumbWidth + Gap)));
            break;
        }
        scale_ = std::max(scale_, 0.005);
        const int pages = static_cast<int>(doc_->pages.size());
        const int rows = (pages + columns_ - 1) / columns_;
        const int width = Gap + columns_ * (pageW() + Gap);
        const int height = Gap + rows * (pageH() + Gap);
        resize(std::max(width, viewport.width()), std::max(height, viewport.height()));
        update();
    }

    /// Top-left pixel of a page in the canvas.
    QPoint pageOrigin(int page) const {
        const int row = page / columns_, col = page % columns_;
        const int blockWidth = columns_ * (pageW() + Gap) - Gap;
        const int left = std::max(Gap, (width() - blockWidth) / 2);
        return {left + col * (pageW() + Gap), Gap + row * (pageH() + Gap)};
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        p.fillRect(event->rect(), QColor(128, 128, 128));
        if (!doc_)
            return;
        const double pixelsPerTwip = scale_;
        for (int i = 0; i < static_cast<int>(doc_->pages.size()); ++i) {
            const QRect r(pageOrigin(i), QSize(pageW(), pageH()));
            if (r.top() > event->rect().bottom())
                break;
            if (!r.intersects(event->rect()))
                continue;
            p.fillRect(r.translated(3, 3), QColor(64, 64, 64));
            p.fillRect(r, Qt::white);
            p.save();
            p.setClipRect(r);
            // Position 0 is the printable area's corner, as on a PDF page.
            p.translate(QPointF(r.topLeft()) +
                        QPointF(UnprintableEdge, UnprintableEdge) * pixelsPerTwip);
            renderPage(p, *doc_, i, pixelsPerTwip);
            p.restore();
        }
    }

private:
    static constexpr int Gap = 12;           ///< pixels around and between pages
    static constexpr int ScrollBarRoom = 20; ///< width kept free for a scroll bar
    static constexpr int ThumbWidth = 110;   ///< width of a thumbnail page, pixels

    int pageW() const {
        return std::max(1, static_cast<int>(std::lround(doc_->pageWidth * scale_)));
    }
    int pageH() const {
        return std::max(1, static_cast<int>(std::lround(doc_->pageHeight * scale_)));
    }

    const RecordedDocument* doc_ = nullptr; ///< not owned
    double scale_ = 0.05;                   ///< pixels per twip
    int columns_ = 1;                       ///< pages side by side
};

namespace {

/// The scroll area tells the pane when its viewport changes size.
class ResizeWatcher : public QObject {
public:
    ResizeWatcher(QObject* parent, std::function<void()> onResize)
        : QObject(parent), onResize_(std::move(onResize)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            onResize_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onResize_;
};

} // namespace

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent) {
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    zoomButtons_ = new QButtonGroup(this);
    const char* captions[] = {"Whole &Page", "Page &Width", "&Two Pages", "Thumb&nail"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromLatin1(captions[i]));
        b->setCheckable(true);
        b->setFocusPolicy(Qt::StrongFocus);
        zoomButtons_->addButton(b, i);
        bar->addWidget(b);
    }
    zoomButtons_->button(0)->setChecked(true);
    connect(zoomButtons_, &QButtonGroup::idClicked, this,
            [this](int id) { setZoom(static_cast<Zoom>(id)); });
    bar->addSpacing(12);
    auto* prev = new QToolButton(this);
    prev->setArrowType(Qt::LeftArrow);
    prev->setToolTip(QStringLiteral("Previous page (PgUp)"));
    prev->setAccessibleName(QStringLiteral("Previous page"));
    previous_ = prev;
    auto* nxt = new QToolButton(this);
    nxt->setArrowType(Qt::RightArrow);
    nxt->setToolTip(QStringLiteral("Next page (PgDn)"));
    nxt->setAccessibleName(QStringLiteral("Next page"));
    next_ = nxt;
    connect(previous_, &QAbstractButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(next_, &QAbstractButton::clicked, this, [this] { showPage(page_ + 1); });
    bar->addWidget(previous_);
    bar->addWidget(next_);
    pageLabel_ = new QLabel(this);
    a11y::showsValue(pageLabel_, QStringLiteral("Preview page"));
    bar->addWidget(pageLabel_);
    bar->addStretch(1);

    scroll_ = new QScrollArea(this);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setFocusPolicy(Qt::StrongFocus);
    scroll_->setAccessibleName(QStringLiteral("Preview"));
    canvas_ = new PageCanvas(scroll_);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(false);
    scroll_->viewport()->installEventFilter(
        new ResizeWatcher(this, [this] { canvas_->relayout(zoom_, scroll_->viewport()->size()); }));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);
    auto* pageUp = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    pageUp->setContext(Qt::WidgetWithChildrenShortcut);
    connect(pageUp, &QShortcut::activated, this, [this] { showPage(page_ - 1); });
    auto* pageDown = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    pageDown->setContext(Qt::WidgetWithChildrenShortcut);
    connect(pageDown, &QShortcut::activated, this, [this] { showPage(page_ + 1); });
    updatePageLabel();
}

PreviewPane::~PreviewPane() = default;

void PreviewPane::setDocument(const RecordedDocument* doc) {
    doc_ = doc;
    canvas_->setDocument(doc);
    page_ = 0;
    canvas_->relayout(zoom_, scroll_->viewport()->size());
    showPage(0);
}

QList<QWidget*> PreviewPane::focusChain() const {
    QList<QWidget*> chain;
    for (auto* b : zoomButtons_->buttons())
        chain << b;
    chain << scroll_;
    return chain;
}

void PreviewPane::setZoom(Zoom zoom) {
    zoom_ = zoom;
    if (auto* b = zoomButtons_->button(static_cast<int>(zoom)))
        b->setChecked(true);
    canvas_->relayout(zoom_, scroll_->viewport()->size());
    showPage(page_);
}

void PreviewPane::showPage(int page) {
    const int pages = doc_ ? static_cast<int>(doc_->pages.size()) : 0;
    page_ = std::clamp(page, 0, std::max(0, pages - 1));
    if (pages > 0) {
        const QPoint origin = canvas_->pageOrigin(page_);
        scroll_->verticalScrollBar()->setValue(origin.y() - 12);
        if (zoom_ != Zoom::PageWidth)
            scroll_->horizontalScrollBar()->setValue(origin.x() - 12);
    }
    updatePageLabel();
}

void PreviewPane::updatePageLabel() {
    const int pages = doc_ ? static_cast<int>(doc_->pages.size()) : 0;
    pageLabel_->setText(pages ? QStringLiteral("Page %1 of %2").arg(page_ + 1).arg(pages)
                              : QString());
    previous_->setEnabled(page_ > 0);
    next_->setEnabled(page_ + 1 < pages);
}

} // namespace print
