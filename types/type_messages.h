#pragma once
// The message boxes of the Types window and the Add Type dialog: their
// fixed texts and one function that shows them the program's way (caption
// the application title, an OK button and no icon unless a caller asks for
// more). Showing a box is modal and costs nothing beyond the dialog itself.

#include <QMessageBox>
#include <QString>

namespace types_ui {

/// OK in the Add Type dialog with nothing but blanks in the name box.
inline const QString MustSpecifyType = QStringLiteral("Must specify a type before pressing \"Ok\"");
/// OK in the Add Type dialog with a name the register already holds.
inline const QString TypeAlreadyDefined = QStringLiteral("Type already defined.");
/// Delete of a type that at least one document uses (two blanks inside).
inline const QString TypeInUse = QStringLiteral(
    "May not delete this \"document type\".  This \"type\" is in use for a document.");
/// OK in the Add Type dialog when the register would number the new type
/// beyond 32767, the highest type number documents can refer to.
inline const QString NoTypeNumberLeft =
    QStringLiteral("No more types can be added: the register has given out every type number "
                   "up to 32767, the highest a document can refer to.");

/// The confirmation text for deleting the type `name` (trailing blanks
/// already removed by the caller).
inline QString deleteConfirmation(const QString& name) {
    return QStringLiteral("Delete type \"") + name + QLatin1Char('"');
}

/// Shows `text` modally over `parent` with the application title as its
/// caption; returns the button pressed. `defaultButton` is the one Enter
/// presses.
QMessageBox::StandardButton
showMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon = QMessageBox::NoIcon,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::Ok);

} // namespace types_ui
