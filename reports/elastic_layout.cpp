// Proportional placement of design rectangles: see elastic_layout.h.

#include "elastic_layout.h"

#include <QWidgetItem>
#include <cmath>

namespace reports {

ElasticLayout::ElasticLayout(QSize designExtent, double minimumFactor, QWidget* parent)
    : QLayout(parent), designExtent_(designExtent), minimumFactor_(minimumFactor) {
    setContentsMargins(0, 0, 0, 0);
}

ElasticLayout::~ElasticLayout() {
    for (auto& p : items_)
        delete p.item;
}

void ElasticLayout::addWidget(QWidget* widget, QRect designRect) {
    addChildWidget(widget);
    items_.push_back({new QWidgetItem(widget), designRect});
    invalidate();
}

void ElasticLayout::addItem(QLayoutItem* item) {
    items_.push_back({item, QRect(QPoint(0, 0), designExtent_)});
}

QLayoutItem* ElasticLayout::itemAt(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return items_[static_cast<size_t>(index)].item;
}

QLayoutItem* ElasticLayout::takeAt(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = items_[static_cast<size_t>(index)].item;
    items_.erase(items_.begin() + index);
    return item;
}

QSize ElasticLayout::sizeHint() const {
    return designExtent_ / TwipsPerPixel;
}

QSize ElasticLayout::minimumSize() const {
    return sizeHint() * minimumFactor_;
}

void ElasticLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const double sx = static_cast<double>(rect.width()) / designExtent_.width();
    const double sy = static_cast<double>(rect.height()) / designExtent_.height();
    for (const auto& p : items_) {
        const int left = rect.x() + static_cast<int>(std::lround(p.design.x() * sx));
        const int top = rect.y() + static_cast<int>(std::lround(p.design.y() * sy));
        const int right =
            rect.x() + static_cast<int>(std::lround((p.design.x() + p.design.width()) * sx));
        const int bottom =
            rect.y() + static_cast<int>(std::lround((p.design.y() + p.design.height()) * sy));
        p.item->setGeometry(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
    }
}

} // namespace reports
