// The "Converting" window; see frm_converting.h.

#include "frm_converting.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace legacy {

frmConverting::frmConverting(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Label1(
          new QLabel(QStringLiteral("Converting to new database format ... please wait"), this)) {
    setObjectName(QStringLiteral("frmConverting"));
    setWindowTitle(QStringLiteral("Converting"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(Label1);
    setFixedSize(sizeHint());
}

void frmConverting::begin() {
    show();
    repaint(); // painted now: the import that follows keeps the thread busy
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmConverting::step(int) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmConverting::end() {
    close();
}

} // namespace legacy
