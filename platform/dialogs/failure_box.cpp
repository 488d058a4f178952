// The program's failure box (see failure_box.h).

#include "failure_box.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace dialogs {

QString applicationTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("tolvane") : name;
}

void showFailure(QWidget* parent, const QString& text, Weight weight) {
    if (weight == Weight::Fatal)
        QMessageBox::critical(parent, applicationTitle(), text);
    else
        QMessageBox::warning(parent, applicationTitle(), text);
}

} // namespace dialogs
