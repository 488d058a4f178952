// The main menu's messages: see menu_messages.h.

#include "menu_messages.h"

#include <QMessageBox>

namespace reports {

namespace {

void showPlain(QWidget* parent, const char* text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Arkelby"), QString::fromLatin1(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void showNothingToPrint(QWidget* parent) {
    showPlain(parent, NothingToPrintText);
}

void showAbout(QWidget* parent) {
    showPlain(parent, AboutText);
}

} // namespace reports
