#pragma once
// PrintError: the one exception of the print engine. Raised when a margin
// text is not a length, when text is written outside a document, and when
// the printer cannot be started or refuses a page. text() is a complete
// sentence meant for the user ("The printer \"HP\" could not be started.").

#include <QString>
#include <stdexcept>

namespace print {

class PrintError : public std::runtime_error {
public:
    explicit PrintError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}

    const QString& text() const noexcept { return text_; }

private:
    QString text_; ///< the message shown to the user
};

} // namespace print
