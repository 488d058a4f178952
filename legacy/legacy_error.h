#pragma once
// LegacyError: the one error the legacy import raises. Its text is written
// for the user: it names the file concerned, says what is wrong and what to
// do, and states that nothing was imported. Start-up shows it in a message
// box and removes the half-made database. Carrying only a text, it costs
// nothing until thrown.

#include <QString>
#include <stdexcept>

namespace legacy {

class LegacyError : public std::runtime_error {
public:
    explicit LegacyError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}

    /// The message for the user, complete and ready to show.
    const QString& text() const noexcept { return text_; }

private:
    QString text_; ///< the user-facing message
};

} // namespace legacy
