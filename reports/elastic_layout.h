#pragma once
// ElasticLayout: places each widget at its design rectangle (in twips)
// scaled to the space the layout gets, so a window keeps its designed
// proportions at any size. The design extent is the area the rectangles
// were drawn in; the preferred size is that extent at 12 twips a pixel.
// Cost: one multiply per edge per child on every resize.

#include <QLayout>
#include <QRect>
#include <vector>

namespace reports {

class ElasticLayout : public QLayout {
public:
    /// `designExtent` in twips; `minimumFactor` of the preferred size is
    /// the least the layout may be given (1 keeps controls from shrinking).
    explicit ElasticLayout(QSize designExtent, double minimumFactor = 1.0,
                           QWidget* parent = nullptr);
    ~ElasticLayout() override;

    static constexpr int TwipsPerPixel = 12;

    /// Adds a widget at a design rectangle (left, top, width, height).
    void addWidget(QWidget* widget, QRect designRect);

    void addItem(QLayoutItem* item) override; ///< placed over the whole extent
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Placed {
        QLayoutItem* item; ///< owned
        QRect design;      ///< twips within designExtent_
    };
    QSize designExtent_;        ///< twips
    double minimumFactor_;      ///< share of sizeHint() that minimumSize() keeps
    std::vector<Placed> items_; ///< in insertion order
};

} // namespace reports
