#pragma once
// Type-ahead completion of the editor's description and person fields.
// Once more than two characters are typed and the caret is at the end, the
// field's text is replaced by the stored value, among those that begin with
// the typed text (letter case ignored) and are greater than it in the
// index, of the most recently filed document (highest RecordPtr); the added
// characters are then to be selected by the caller, so typing on replaces
// them. Nothing is completed when that value, trailing blanks removed, is
// not longer than the typed text without its trailing blanks.
//
// How the window calls it, per field (txtDesc / rsDescription, txtWho /
// rsWho):
//  - key press: the field's Backspace flag becomes true for Backspace and
//    false for any other character key; keys without a character (Delete,
//    arrows) leave it alone. The flag is the window's, not this module's.
//  - text change: set changes-made; if the Backspace flag is set, stop;
//    otherwise call the routine and, when the returned start is not 0, set
//    the field's selection start and then its selection length from it.
//  - the routine's setText() raises the field's text change again while
//    the routine runs. That nested pass must not complete: the routine
//    recognises it (same control, still inside the call) and returns a
//    start of 0, so the nested caller sets no selection. A control may in
//    addition put the caret at 0 in setText(), which stops it as well.
//
// The stored value comes from store/type_ahead.h.

#include "store/type_ahead.h"

#include <QString>

namespace session {

/// The three properties of a text box the completion reads and the one it
/// writes. Positions and lengths count UTF-16 code units, as QString does.
class TextControl {
public:
    virtual ~TextControl() = default;
    virtual QString text() const = 0;
    virtual int selectionStart() const = 0;
    virtual int selectionLength() const = 0;
    /// Replaces the whole text; raises the field's text change.
    virtual void setText(const QString& text) = 0;
};

/// Completes the description field from `rsDescription`, a table recordset
/// over Documents (its position is not used). pSelStart and pSelLength
/// receive the selection to set; a start of 0 means "set nothing". Lengths
/// that do not fit 16 bits are never produced: such a text is not completed.
/// Engine failures are swallowed: the field is then simply not completed.
void TypeAheadDescription(TextControl& control, store::Recordset& rsDescription, qint16& pSelStart,
                          qint16& pSelLength);

/// The same for the person field from `rsWho` and the field Who.
void TypeAheadWho(TextControl& control, store::Recordset& rsWho, qint16& pSelStart,
                  qint16& pSelLength);

} // namespace session
