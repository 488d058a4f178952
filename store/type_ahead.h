#pragma once
// Type-ahead lookups: the stored value that completes a typed text in the
// editor's description and person fields.
//
// Cost: one or two SQL queries per keystroke, answered without walking the
// prefix's entries one by one: first the newest 256 documents are tested
// by row id (the usual answer: 0.1 ms with 10^5 documents, 10^4 of them
// sharing the prefix); only when none of them matches are the index ranges
// that can hold the prefix scanned inside the engine (about 0.7 ms for
// 5,000 entries). A server, which has no such ranges, tests the newest
// 8,192 next and only then asks its trigram index for every row holding
// the prefix (under 1 ms and 6 ms at 10^6 documents for a prefix found
// among the newest and one only the oldest hold).
// bench/type_ahead_bench.cpp measures them. Typed texts
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
