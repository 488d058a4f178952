#pragma once
// The one way a window tells the user that something failed: a message box
// titled with the program's name that shows the failure's text as it is,
// with a warning sign, or a stop sign where the program cannot go on. The
// command line writes the same texts to stderr instead.

#include "platform/failure/failure.h"

#include <QString>

class QWidget;

namespace dialogs {

enum class Weight {
    Warning, ///< the action failed; the program goes on
    Fatal,   ///< the program cannot start or go on
};

/// The title of the program's message boxes: its name, "tolvane" unset.
QString applicationTitle();

/// Shows `text` over `parent` (none for a box of its own) and waits until
/// the user closes it.
void showFailure(QWidget* parent, const QString& text, Weight weight = Weight::Warning);

inline void showFailure(QWidget* parent, const Failure& failure, Weight weight = Weight::Warning) {
    showFailure(parent, failure.text(), weight);
}

/// Shows `what` could not be done, then the failure's own text as a
/// paragraph of its own.
inline void showFailure(QWidget* parent, const QString& what, const Failure& why,
                        Weight weight = Weight::Warning) {
    showFailure(parent, why.text().isEmpty() ? what : what + QStringLiteral("\n\n") + why.text(),
                weight);
}

} // namespace dialogs
