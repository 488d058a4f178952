// Value labels for screen readers; see value_label.h.

#include "value_label.h"

#include <QLabel>

namespace a11y {

void showsValue(QLabel* label, const QString& caption) {
    label->setAccessibleName(QString());
    label->setAccessibleDescription(caption);
    label->setTextFormat(Qt::PlainText);
}

} // namespace a11y
