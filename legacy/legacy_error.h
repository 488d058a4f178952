#pragma once
// LegacyError: the one error the legacy import raises. Its text is written
// for the user: it names the file concerned, says what is wrong and what to
// do, and states that nothing was imported. Start-up shows it in a message
// box and removes the half-made database. Carrying only a text, it costs
// nothing until thrown.

#include "platform/failure/failure.h"

#include <QString>

namespace legacy {

class LegacyError : public Failure {
public:
    explicit LegacyError(const QString& text) : Failure(Unnumbered, text) {}
};

} // namespace legacy
