#pragma once
// DateLineEdit: the editor's date field, a line edit that reports when it
// has gained or lost the focus, after its own focus handling ran, so the
// window can set the selection and check the date then. Costs nothing.

#include <QFocusEvent>
#include <QLineEdit>

namespace editor {

class DateLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    /// The field has the focus and its own selection has been set.
    void focusGained();
    /// The field lost the focus for `reason`.
    void focusLost(Qt::FocusReason reason);

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        emit focusGained();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        emit focusLost(event->reason());
    }
};

} // namespace editor
