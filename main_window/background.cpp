// The stretched background picture (see background.h).

#include "background.h"

#include <QPainter>

Background::Background(QWidget* parent)
    : QWidget(parent), picture_(QStringLiteral(":/main_window/background.png")) {}

void Background::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    if (scaled_.size() != size())
        scaled_ = picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter(this).drawPixmap(0, 0, scaled_);
}
