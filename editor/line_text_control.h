#pragma once
// Shows a QLineEdit to the type-ahead routines (session/type_ahead.h) as the
// text control they read and write. The window keeps one per field for its
// whole life, because the routines recognise the nested pass that setText()
// raises by the control's address; that pass then completes nothing.
// setText() leaves the caret at the start until the caller selects the
// completed characters. Costs nothing beyond the calls it forwards.

#include "session/type_ahead.h"

#include <QLineEdit>

namespace editor {

class LineTextControl : public session::TextControl {
public:
    explicit LineTextControl(QLineEdit& field) : field_(field) {}

    QString text() const override { return field_.text(); }
    int selectionStart() const override {
        return field_.hasSelectedText() ? field_.selectionStart() : field_.cursorPosition();
    }
    int selectionLength() const override { return field_.selectionLength(); }
    void setText(const QString& text) override {
        field_.setText(text);
        field_.setCursorPosition(0);
    }

private:
    QLineEdit& field_; ///< the adapted field, owned by the window
};

} // namespace editor
