// Type-ahead completion of a window's field (see type_ahead.h). The stored
// value offered comes from the engine (store::typeahead::bestStoredValue);
// what is done here is the field's side: when to complete, the selection
// to set, and not completing twice when setting the text raises the field's
// change again.

#include "type_ahead.h"

#include "store/engine_error.h"

#include <limits>

namespace session {
namespace {

constexpr int Max16 = std::numeric_limits<qint16>::max();

qsizetype lengthWithoutTrailingBlanks(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    return n;
}

/// Marks the control whose text the routine is setting, so that the text
/// change this raises does not complete a second time.
class CompletingGuard {
public:
    explicit CompletingGuard(const TextControl& control) : previous_(current) {
        current = &control;
    }
    ~CompletingGuard() { current = previous_; }
    CompletingGuard(const CompletingGuard&) = delete;
    CompletingGuard& operator=(const CompletingGuard&) = delete;

    static bool isCompleting(const TextControl& control) { return current == &control; }

private:
    static thread_local const TextControl* current; ///< control being completed, or null
    const TextControl* previous_;                   ///< restored when the guard ends
};

thread_local const TextControl* CompletingGuard::current = nullptr;

void typeAhead(TextControl& control, store::Recordset& lookup, const QString& field,
               qint16& pSelStart, qint16& pSelLength) {
    const int start = control.selectionStart();
    const int length = control.selectionLength();
    const bool fits = start >= 0 && start <= Max16 && length >= 0 && length <= Max16;
    // A start of 0 tells the caller to leave the selection alone, which is
    // also the safe answer for a selection the 16-bit results cannot carry.
    pSelStart = fits ? static_cast<qint16>(start) : qint16(0);
    pSelLength = fits ? static_cast<qint16>(length) : qint16(0);
    if (CompletingGuard::isCompleting(control)) {
        pSelStart = 0;
        pSelLength = 0;
        return;
    }

    const QString typed = control.text();
    if (typed.size() <= 2 || start != typed.size())
        return;
    std::optional<QString> best;
    try {
        best = store::typeahead::bestStoredValue(lookup, field, typed);
    } catch (const store::EngineError&) {
        return; // no completion is the harmless outcome of a lookup that failed
    }
    if (!best || lengthWithoutTrailingBlanks(*best) <= lengthWithoutTrailingBlanks(typed) ||
        best->size() > Max16)
        return;
    {
        CompletingGuard guard(control);
        control.setText(*best);
    }
    pSelStart = static_cast<qint16>(start);
    pSelLength = static_cast<qint16>(best->size() - start);
}

} // namespace

void TypeAheadDescription(TextControl& control, store::Recordset& rsDescription, qint16& pSelStart,
                          qint16& pSelLength) {
    typeAhead(control, rsDescription, QStringLiteral("Description"), pSelStart, pSelLength);
}

void TypeAheadWho(TextControl& control, store::Recordset& rsWho, qint16& pSelStart,
                  qint16& pSelLength) {
    typeAhead(control, rsWho, QStringLiteral("Who"), pSelStart, pSelLength);
}

} // namespace session
