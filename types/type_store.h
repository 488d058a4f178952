#pragma once
// The register work behind the Add Type dialog and the Types window's
// Delete: each runs as one write transaction on the Database of the types
// list, so that the test and the change that depends on it form one step
// against other users (nobody can file a document under a type between its
// in-use test and its deletion, nor add the same name between the
// duplicate test and the store). No user interface here; the windows show
// the outcome. Each call costs one small query and one write, and holds the
// register's write lock only for that moment.
//
// Raises store::EngineError for failures of the register (a busy file
// after the engine's wait, a row another user holds, ...); nothing is
// changed then.

#include "store/recordset.h"

#include <QString>

namespace types_ui {

/// The highest type number a document can refer to (type numbers are
/// 16-bit signed integers throughout the program).
inline constexpr int MaxTypeRecordPtr = 32767;

enum class AddOutcome {
    Stored,       ///< a new row holds the name
    Duplicate,    ///< Types holds the name, letter case ignored (also beyond ASCII)
    NoNumberLeft, ///< the register would number it beyond MaxTypeRecordPtr
};

/// Adds a type named `name` (stored exactly as given) through `types`, an
/// updatable recordset over Types, unless the name is already defined or
/// the register has no type number left. On refusal nothing is stored and
/// `types` is as it was.
AddOutcome addType(store::Recordset& types, const QString& name);

/// True when at least one document refers to the type `recordPtr`.
bool typeInUse(const store::Database& db, int recordPtr);

enum class DeleteOutcome {
    Deleted, ///< the row is gone; no row of `types` is current until a move
    InUse,   ///< a document refers to the type; nothing changed
};

/// Deletes the current row of `types` unless a document uses that type,
/// testing and deleting as one step. `types` must be on a row.
DeleteOutcome deleteUnusedType(store::Recordset& types);

} // namespace types_ui
