#pragma once
// The current date as the program sees it. Date entry reads "today",
// "yesterday", "tomorrow" and month/day without a year against it, so tests
// replace it with a fixed date (FixedToday) to get repeatable results.
//
// Threading: the clock is program-wide state; replace it only while no
// other thread asks for the date (tests do it before the code under test
// runs). Asking costs one call of the clock function.

#include <QDate>
#include <functional>

namespace platform::dates {

/// A source of the current date.
using Clock = std::function<QDate()>;

/// The current date from the clock in force: the local calendar date by
/// default.
QDate today();

/// Puts `clock` in force; an empty function restores the system's date.
void setClock(Clock clock);

/// Makes today() return `date` while this object lives, then restores the
/// clock that was in force before.
class FixedToday {
public:
    explicit FixedToday(QDate date);
    ~FixedToday();
    FixedToday(const FixedToday&) = delete;
    FixedToday& operator=(const FixedToday&) = delete;

private:
    Clock previous_; ///< the clock to restore, empty for the system's
};

} // namespace platform::dates
