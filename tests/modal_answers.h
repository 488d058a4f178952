#pragma once
// Answers the message boxes and dialogs a GUI test provokes, the way a user
// would, and keeps what each box showed. BoxAnswerer answers every box that
// comes up while it lives (for an action that shows several, or none);
// whenModal() acts once on the next modal window of a class and
// answerNextBox() answers the next box. Both look from the event loop every
// few milliseconds, so they meet windows run by exec(). Header only; a wait
// costs a timer tick every few milliseconds until it is met, dropped by
// cancelWaits() or ten seconds old.

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

/// What a message box showed.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

namespace modal {

inline SeenBox seen(const QMessageBox& box) {
    return {box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
            box.standardButton(box.defaultButton())};
}

/// Presses `reply`, or closes the box when it has no such button.
inline void answer(QMessageBox& box, QMessageBox::StandardButton reply) {
    if (QAbstractButton* b = box.button(reply))
        b->click();
    else
        box.reject();
}

inline int generation = 0; ///< bumped by cancelWaits() to drop pending waits

template <class T>
void lookFor(int gen, QDeadlineTimer deadline, const std::function<void(T*)>& act) {
    if (gen != generation || deadline.hasExpired())
        return;
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()))
        act(w);
    else
        QTimer::singleShot(5, [gen, deadline, act] { lookFor<T>(gen, deadline, act); });
}

} // namespace modal

/// Runs `act` once a window of class T is the active modal window. The
/// first look is made from the event loop, so a wait set up while a window
/// is showing is met by the next one, not by that one.
template <class T> void whenModal(std::function<void(T*)> act) {
    const int gen = modal::generation;
    const QDeadlineTimer deadline(10000);
    QTimer::singleShot(0, [gen, deadline, act] { modal::lookFor<T>(gen, deadline, act); });
}

/// Drops every whenModal() wait not yet met (a window that never came).
inline void cancelWaits() {
    ++modal::generation;
}

/// Answers the next message box with `reply`, recording it in `seen`.
inline void answerNextBox(SeenBox* seen, QMessageBox::StandardButton reply = QMessageBox::Ok) {
    whenModal<QMessageBox>([seen, reply](QMessageBox* box) {
        if (seen)
            *seen = modal::seen(*box);
        modal::answer(*box, reply);
    });
}

/// Answers every message box that comes up while it lives with `reply`,
/// and keeps what they showed.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton reply = QMessageBox::Ok)
        : state_(std::make_shared<State>()) {
        state_->reply = reply;
        poll(state_);
    }
    ~BoxAnswerer() {
        state_->stopped = true;
        settle();
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    /// Lets the window under the closed boxes become active again, as the
    /// desktop does; the offscreen platform leaves no window active.
    static void settle() {
        if (QWidget* window = QApplication::activeModalWidget();
            window && QApplication::activeWindow() != window) {
            window->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        }
    }

    const QList<SeenBox>& seen() const { return state_->seen; }
    QStringList texts() const {
        QStringList out;
        for (const SeenBox& b : state_->seen)
            out << b.text;
        return out;
    }

private:
    struct State {
        QMessageBox::StandardButton reply = QMessageBox::Ok;
        QList<SeenBox> seen;
        bool stopped = false;
    };
    static void poll(const std::shared_ptr<State>& s) {
        if (s->stopped)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            s->seen.append(modal::seen(*box));
            modal::answer(*box, s->reply);
        }
        QTimer::singleShot(2, [s] { poll(s); });
    }
    std::shared_ptr<State> state_;
};
