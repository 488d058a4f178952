// Helpers for the GUI tests, which run under tests/gui_main.cpp's
// QApplication: answer the next modal box, and wait while events run.

#include "gui_environment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

void answerNextBox(ModalSeen* seen, int button) {
    auto poll = std::make_shared<std::function<void()>>();
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    *poll = [seen, button, poll, started] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (started->elapsed() < 10000)
                QTimer::singleShot(10, *poll);
            else
                *poll = nullptr; // gives up; frees the closure (the running copy lives on)
            return;
        }
        if (seen) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            seen->buttons = box->standardButtons();
            seen->count += 1;
        }
        if (auto* b = box->button(static_cast<QMessageBox::StandardButton>(button)))
            b->click();
        else
            box->reject();
        *poll = nullptr; // answered; frees the closure (the running copy lives on)
    };
    QTimer::singleShot(0, *poll);
}

void waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}
