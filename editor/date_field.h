#pragma once
// What the editor's date field does when it gains and loses the focus, as
// pure functions the window calls with the field's text. The window owns
// the control, the message box and the focus; these decide the outcome.
// Update runs leaveDateField() on the field's text before it converts the
// date, so shorthand typed just before pressing Enter is read as well.
//
// Cost: that of fnNormalizeDate (date_entry.h).

#include <QString>

namespace editor {

/// The message shown when the field holds no date.
inline constexpr const char* NotAValidDateMessage = "Not a valid date.";

/// The selection set on gaining the focus: from the start to the last
/// non-blank character, so that typing replaces the date but trailing
/// blanks stay unselected.
struct DateSelection {
    int start;  ///< always 0
    int length; ///< characters up to the last non-blank one
};
DateSelection dateFieldSelection(const QString& text);

/// The outcome of leaving the field.
struct DateFieldOutcome {
    enum Verdict {
        KeptBlank, ///< only blanks: accepted as it is (Update refuses it later)
        Rewritten, ///< read as a date: the field now holds `text`, "m/d/yyyy"
        Refused,   ///< no date: show NotAValidDateMessage, focus back, text kept
    };
    Verdict verdict;
    QString text; ///< what the field holds afterwards
};
DateFieldOutcome leaveDateField(const QString& text);

} // namespace editor
