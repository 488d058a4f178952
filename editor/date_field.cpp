// Focus behaviour of the editor's date field (see date_field.h).

#include "date_field.h"

#include "date_entry.h"
#include "platform/dates/date_text.h"

namespace editor {

DateSelection dateFieldSelection(const QString& text) {
    return {0, static_cast<int>(trimTrailingBlanks(text).size())};
}

DateFieldOutcome leaveDateField(const QString& text) {
    if (trimTrailingBlanks(text).isEmpty())
        return {DateFieldOutcome::KeptBlank, text};
    const QString normalized = fnNormalizeDate(text);
    const auto date = platform::dates::toDate(normalized);
    if (!date)
        return {DateFieldOutcome::Refused, text};
    return {DateFieldOutcome::Rewritten, fnFormatDate(date)};
}

} // namespace editor
