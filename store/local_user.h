#pragma once
// This program's user as others are told of them: the login name and the
// computer's name (for reservations others are refused, and for the
// history of each document). Read once; internal to the engine layer.

#include <QString>

namespace store {

/// The login name of the user running the program.
const QString& localLogin();
/// The name of the computer the program runs on.
const QString& localComputer();

} // namespace store
