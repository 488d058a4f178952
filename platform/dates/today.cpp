// The replaceable current date (see today.h).

#include "today.h"

#include <utility>

namespace platform::dates {
namespace {

/// The clock in force; empty means the system's local date.
Clock& currentClock() {
    static Clock clock;
    return clock;
}

} // namespace

QDate today() {
    const Clock& clock = currentClock();
    return clock ? clock() : QDate::currentDate();
}

void setClock(Clock clock) {
    currentClock() = std::move(clock);
}

FixedToday::FixedToday(QDate date) : previous_(currentClock()) {
    setClock([date] { return date; });
}

FixedToday::~FixedToday() {
    setClock(std::move(previous_));
}

} // namespace platform::dates
