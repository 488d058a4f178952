#pragma once
// Failure: the base of every exception the program raises for the user to
// read, whatever layer raises it (the engine, printing, the export, the
// import of an older register, the start). It carries a number and a text:
// the text is a complete message, shown as it is; the number tells one
// failure from another where a caller must (the engine's numbers, such as
// 3260 for a record another user holds), and is `Unnumbered` for layers
// that number nothing. Header only, on QtCore, so that every layer may
// include it.

#include <QString>
#include <stdexcept>

class Failure : public std::runtime_error {
public:
    static constexpr int Unnumbered = 0;

    Failure(int number, const QString& text)
        : std::runtime_error(text.toStdString()), number_(number), text_(text) {}

    int number() const noexcept { return number_; }
    /// The message for the user, complete and ready to show.
    const QString& text() const noexcept { return text_; }

private:
    int number_;
    QString text_;
};
