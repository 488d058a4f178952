#pragma once
// The one error type of the engine layer (a Failure, failure.h). Every failure of the database,
// of a recordset operation or of a statement the engine refuses is raised as
// an EngineError carrying a number and a text, in the manner of the desktop
// database engines this program's users know (3021 "No current record." and
// so on). Callers show text() to the user; number() lets them tell a record
// held by another user (3260) from other failures.

#include "platform/failure/failure.h"

#include <QString>

namespace store {

/// Error numbers the engine layer raises. The values follow the desktop
/// engine's own numbering so that messages and tests read the same.
namespace err {
inline constexpr int NoCurrentRecord = 3021;   ///< cursor on BOF/EOF or a deleted row
inline constexpr int UpdateWithoutEdit = 3020; ///< Update/CancelUpdate with nothing pending
inline constexpr int FileNotFound = 3024;      ///< database file missing
inline constexpr int ReadOnly = 3027;          ///< write to a snapshot or a read-only file
inline constexpr int NoPermission = 3051;      ///< file or folder cannot be opened for writing
inline constexpr int TableNotFound = 3078;     ///< unknown table in a statement or open
inline constexpr int SyntaxError = 3075;       ///< statement or criterion the engine refuses
inline constexpr int ExpressionError = 3077;   ///< malformed FindFirst criterion
inline constexpr int FieldTooSmall = 3163;     ///< text longer than its field's width
inline constexpr int RecordDeleted = 3167;     ///< the row was deleted by another user
inline constexpr int DatabaseBusy = 3218;      ///< file stayed locked past the wait limit
inline constexpr int NotSupported = 3251;      ///< operation not valid for this recordset type
inline constexpr int RecordLocked = 3260;      ///< another user holds the row
inline constexpr int ItemNotFound = 3265;      ///< unknown field name
inline constexpr int ObjectClosed = 3420;      ///< recordset closed or never opened
inline constexpr int ConversionError = 3421;   ///< value does not fit the field's type
inline constexpr int NotADatabase = 3343;      ///< file is not a register database
inline constexpr int IndexNotFound = 3800;     ///< unknown index name
inline constexpr int DiskFull = 3035;          ///< the file system refused the write
inline constexpr int IoError = 3043;           ///< any other failure of the file system
inline constexpr int Interrupted = 3059;       ///< a statement stopped by Database::interrupt()
inline constexpr int FileTooLarge = 3183;      ///< a file to attach is over store::maxFileBytes
inline constexpr int FileDamaged = 3049;       ///< a stored file's bytes differ from its hash
} // namespace err

class EngineError : public Failure {
public:
    EngineError(int number, const QString& text) : Failure(number, text) {}
};

} // namespace store
