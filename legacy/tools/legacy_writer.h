#pragma once
// Writes a register in the earlier release's dBase layout: Document.DBF (a
// dBase III table with memo, version byte 0x83, header length 321, record
// length 131, nine field descriptors: ID N6, DESCRIPTIO C40, DATE D,
// DATEADDED D, DATECHANGE D, TYPE C10, WHO C30, RESERVED C10 (blank) and
// NOTE M10, whose last two make up the 20-character memo reference) and Document.DBT (1024-byte
// blocks; block 0 holds the next free block number, each memo starts a block with a signature FF FF
// 08 00, its length including that 8-byte header, the text, and two 0x1A bytes; a long memo runs on
// into the following blocks). Text is encoded as Windows-1252.
//
// Used by the make_legacy tool, the tests and the benchmarks; tests patch
// the returned bytes to make damaged files. Cost: both files are built in
// memory, about 131 bytes per record plus the notes rounded up to 1 KiB.
//
// Text format read by parseLegacyText, one record per line, fields
// separated by tabs, in this order (trailing fields may be left off):
//   ID  Description  Date  DateAdded  DateChanged  Type  Who  Note  Deleted
// Dates are YYYYMMDD or empty (written as eight blanks; any other text is
// written as given, so bad dates can be made). In the note, \n stands for a
// line break, \t for a tab and \\ for a backslash. Deleted is "*" for a
// deleted record, empty otherwise. Blank lines and lines starting with '#'
// are skipped. A field longer than its width is cut; ID and the memo block
// number are right-aligned, the other fields left-aligned.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace legacy {

/// One record to write, as text.
struct LegacyEntry {
    QString id;           ///< up to 6 characters, right-aligned
    QString description;  ///< up to 40
    QString date;         ///< YYYYMMDD or empty
    QString dateAdded;    ///< YYYYMMDD or empty
    QString dateChanged;  ///< YYYYMMDD or empty
    QString type;         ///< up to 10
    QString who;          ///< up to 30
    QString note;         ///< any length; empty for no memo
    bool deleted = false; ///< written with the "*" flag
    /// The raw 20-character MemoBlock field to write instead of the block
    /// number the writer assigns (to refer to no memo or a bad block).
    std::optional<QString> memoField;
};

/// The bytes of both files.
struct LegacyFiles {
    QByteArray table; ///< Document.DBF
    QByteArray memo;  ///< Document.DBT
};

/// Builds both files; `updated` goes into the header's last-update date.
LegacyFiles buildLegacyFiles(const QList<LegacyEntry>& entries, QDate updated = QDate(2001, 6, 30));

/// Writes both files into `folder` (replacing any there). False with
/// `error` set when a file cannot be written.
bool writeLegacyFiles(const QString& folder, const LegacyFiles& files, QString* error = nullptr);

/// The records of a text in the format above. False with `error` naming
/// the line when a line has more than nine fields.
bool parseLegacyText(const QString& text, QList<LegacyEntry>* entries, QString* error = nullptr);

} // namespace legacy
