#pragma once
// The print engine's preview pane: the pages of a recorded document drawn
// on grey, with four zoom choices ("Whole &Page", "Page &Width",
// "&Two Pages", "Thumb&nail"), previous/next page buttons and a page count.
// Keys: PgUp/PgDn change page, Alt+P/W/T/N pick the zoom. Only the pages
// that intersect the visible area are drawn, so a document of hundreds of
// pages costs no more to show than one.

#include "recorded_page.h"

#include <QWidget>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QScrollArea;

namespace print {

class PageCanvas;

enum class Zoom { WholePage, PageWidth, TwoPages, Thumbnail };

class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent = nullptr);
    ~PreviewPane() override;

    /// Shows a document from its first page. The pane keeps a reference:
    /// the document must outlive the pane or the next setDocument().
    void setDocument(const RecordedDocument* doc);

    void setZoom(Zoom zoom);
    Zoom zoom() const { return zoom_; }

    /// The pane's focusable controls in tab order, for the window's chain.
    QList<QWidget*> focusChain() const;

    int currentPage() const { return page_; } ///< 0-based
    void showPage(int page);

private:
    void updatePageLabel();

    const RecordedDocument* doc_ = nullptr; ///< not owned
    Zoom zoom_ = Zoom::WholePage;           ///< the zoom choice in force
    int page_ = 0;                          ///< first page on view, 0-based
    QScrollArea* scroll_ = nullptr;         ///< holds the canvas
    PageCanvas* canvas_ = nullptr;          ///< draws the pages
    QButtonGroup* zoomButtons_ = nullptr;   ///< the four zoom choices, ids = Zoom
    QLabel* pageLabel_ = nullptr;           ///< "Page n of m"
    QAbstractButton* previous_ = nullptr;
    QAbstractButton* next_ = nullptr;
};

} // namespace print
