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
// Cost: one or two SQL queries per keystroke, answered without walking the
// prefix's entries one by one: first the newest 256 documents are tested
// by row id (the usual answer: 0.1 ms with 10^5 documents, 10^4 of them
// sharing the prefix); only when none of them matches are the index ranges
// that can hold the prefix scanned inside the engine (about 0.7 ms for
// 5,000 entries). bench/type_ahead_bench.cpp measures both. Typed texts
// the query cannot express (a NUL character, broken UTF-16) take the index
// walk instead: one seek and one step per entry with the prefix's leading
// ASCII part.
//
// Letter case: a value begins with the typed text when they agree letter
// by letter without regard to case, also beyond ASCII ("émile" completes
// "Émile Zola"). The index orders by SQLite's NOCASE, which ignores the
// case of A to Z only, so the values beginning with a text that holds
// other letters lie in a few ranges, one per case form of its first such
// letter; the query asks for each.

#include "recordset.h"

#include <QString>
#include <optional>
#include <vector>

namespace store {

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
void TypeAheadDescription(TextControl& control, Recordset& rsDescription, qint16& pSelStart,
                          qint16& pSelLength);

/// The same for the person field from `rsWho` and the field Who.
void TypeAheadWho(TextControl& control, Recordset& rsWho, qint16& pSelStart, qint16& pSelLength);

namespace typeahead {

/// How the best stored value is looked up.
enum class Method {
    Query, ///< one range query the engine answers from the index
    Walk,  ///< seek ">" and step through the index entries with the prefix
};

/// The stored value of `field` with the highest RecordPtr among the rows of
/// `lookup`'s table whose value begins with `typed` and is not equal to it,
/// letter case ignored (also beyond ASCII); nothing when there is none. Method::Walk moves `lookup`
/// (which must be a table recordset with the index on `field` selected); Query leaves it alone and
/// falls back to Walk where it must. Raises EngineError.
std::optional<QString> bestStoredValue(Recordset& lookup, const QString& field,
                                       const QString& typed, Method method = Method::Query);

/// A text that, under the NOCASE collation, sorts above every text that
/// begins with `prefix` and not above any greater text that does not; so
/// [prefix, bound) holds exactly the texts beginning with `prefix` as
/// NOCASE compares them. Nothing when every text above `prefix` begins
/// with it (a prefix made only of the highest code point). Exposed for
/// tests.
std::optional<QString> prefixUpperBound(const QString& prefix);

/// Index ranges [low, high) under NOCASE that together hold every text
/// beginning with `typed` letter case ignored; `high` empty for no upper
/// end. One range for a text of ASCII characters, else one per case form
/// of its first character beyond ASCII. Exposed for tests.
struct Range {
    QString low;
    std::optional<QString> high;
};
std::vector<Range> prefixRanges(const QString& typed);

} // namespace typeahead
} // namespace store
