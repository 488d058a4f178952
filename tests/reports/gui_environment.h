#pragma once
// Helpers for the GUI tests: answer the next message box when it appears
// (recording what it showed), and wait for a condition while events run.

#include <QMessageBox>
#include <QString>
#include <QThread>
#include <functional>

/// What a message box showed.
struct ModalSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    int count = 0; ///< boxes answered
};

/// Waits (from the event loop) for the next modal message box, records it
/// into `seen` and presses `button`.
void answerNextBox(ModalSeen* seen, int button = QMessageBox::Ok);

/// Runs events until `condition` holds or `timeoutMs` passed.
void waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);
