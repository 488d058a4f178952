// Fuzz target for date entry: the editor's shorthand (fnNormalizeDate,
// fnIsValidDate in editor/date_entry.h) and the platform's date reading and
// writing (platform/dates/date_text.h), with today fixed so that runs repeat.
//
// The input, read as UTF-8, is what a user typed into the date field.
// Checked: a text the shorthand changes becomes a date the platform reads,
// and normalising it again leaves it as it is; any date the platform reads
// is written month first and read back as the same date, padded or not.
// Cost: a handful of short conversions per input.

#include "editor/date_entry.h"
#include "fuzz_check.h"
#include "platform/dates/date_text.h"
#include "platform/dates/today.h"

#include <QVariant>
#include <cstdint>

namespace {

namespace pd = platform::dates;

void checkWritten(QDate date) {
    for (const pd::DatePattern pattern :
         {pd::DatePattern::MonthDayYear, pd::DatePattern::PaddedMonthDayYear,
          pd::DatePattern::ShortDate}) {
        const std::optional<QDate> back = pd::toDate(pd::formatDate(date, pattern));
        fuzz::check(back && *back == date, "a written date reads back as itself");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A fixed today, so that "today" and month/day without a year repeat.
    static const pd::FixedToday today(QDate(2004, 2, 6));
    const QString typed = fuzz::textOf(data, size);

    const QString normalized = editor::fnNormalizeDate(typed);
    if (normalized != typed) {
        fuzz::check(editor::fnIsValidDate(normalized), "a normalised date is a date");
        fuzz::check(editor::fnNormalizeDate(normalized) == normalized, "normalising is done once");
    }
    editor::fnIsValidDate(typed);

    if (const std::optional<QDateTime> value = pd::toDateTime(typed)) {
        fuzz::check(value->isValid() && value->timeSpec() == Qt::UTC,
                    "a date read is a valid UTC carrier");
        checkWritten(value->date());
        fuzz::check(editor::fnFormatDate(QVariant(typed)) ==
                        pd::formatDate(value->date(), pd::DatePattern::MonthDayYear),
                    "a stored text date is shown as the date it reads as");
    }
    pd::patternNamed(typed);
    return 0;
}
