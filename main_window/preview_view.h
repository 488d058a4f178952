#pragma once
// The detail panel's picture of a file: the preview image scaled to fit
// (aspect kept, centred), or a line of text in its place (while the
// preview is made, or why there is none). A screen reader hears what it
// shows: "Preview of NAME", or the text. Header only.

#include <QImage>
#include <QPainter>
#include <QWidget>

class PreviewView : public QWidget {
public:
    explicit PreviewView(QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QStringLiteral("imgPreview"));
        setMinimumSize(24, 24);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setAccessibleName(QStringLiteral("Preview"));
    }

    void showImage(const QImage& image, const QString& name) {
        image_ = image;
        text_.clear();
        setAccessibleName(QStringLiteral("Preview of %1").arg(name));
        update();
    }
    void showText(const QString& text) {
        image_ = QImage();
        text_ = text;
        setAccessibleName(text);
        update();
    }
    const QImage& image() const { return image_; }
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (!image_.isNull()) {
            const QSize fit = image_.size().scaled(size(), Qt::KeepAspectRatio);
            const QRect target(QPoint((width() - fit.width()) / 2, (height() - fit.height()) / 2),
                               fit);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(target, image_);
        } else if (!text_.isEmpty()) {
            p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, text_);
        }
    }

private:
    QImage image_;
    QString text_;
};
