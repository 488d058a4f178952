#pragma once
// The main window's stretched background picture (Image1): a plain widget
// that paints the picture scaled to its whole area and holds the window's
// controls on top of it. The picture comes from the program's resources;
// the scaled copy is kept until the size changes, so a repaint costs one
// pixmap blit.

#include <QPixmap>
#include <QWidget>

class Background : public QWidget {
    Q_OBJECT
public:
    explicit Background(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_; ///< the picture as stored
    QPixmap scaled_;  ///< picture_ at the widget's current size
};
