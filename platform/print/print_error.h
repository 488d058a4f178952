#pragma once
// PrintError: the one exception of the print engine. Raised when a margin
// text is not a length, when text is written outside a document, and when
// the printer cannot be started or refuses a page. text() is a complete
// sentence meant for the user ("The printer \"HP\" could not be started.").

#include "platform/failure/failure.h"

#include <QString>

namespace print {

class PrintError : public Failure {
public:
    explicit PrintError(const QString& text) : Failure(Unnumbered, text) {}
};

} // namespace print
