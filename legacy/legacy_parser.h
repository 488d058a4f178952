#pragma once
// The legacy register as a stream of documents: ParseLegacyRegister reads
// Document.DBT and Document.DBF from a folder and calls a row callback once
// for each live record (deleted ones, marked "*", are skipped), with the
// fields already mapped to the values a Documents row takes. It touches no
// database, so the filing step (legacy_import.h), the tests and the
// benchmark share it. Cost: the memo file in memory, one record at a time.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace legacy {

struct LegacyRecord;

/// One live legacy record, mapped to the values of a Documents row.
struct LegacyDocument {
    int id = 0;           ///< numeric value of the ID field; blank gives 0
    QString description;  ///< trailing blanks removed, leading kept
    QVariant date;        ///< fnLegacyDate of Date: a date or Null
    QVariant dateAdded;   ///< fnLegacyDate of DateAdded
    QVariant dateChanged; ///< fnLegacyDate of DateChanged
    QString typeName;     ///< Type with trailing blanks removed; empty for none
    QString who;          ///< trailing blanks removed
    QString note;         ///< the whole memo, trailing blanks removed
};

/// What a pass over the legacy files found.
struct LegacyScan {
    qint64 announced = 0;       ///< RecordCount from the table header
    int found = 0;              ///< records actually present in the file
    int deleted = 0;            ///< records marked "*" and skipped
    int delivered = 0;          ///< live records passed to the callback
    int notesUnreadable = 0;    ///< memo references that led to no memo
    int notesCut = 0;           ///< memos cut short by the end of the memo file
    bool memoFileFound = false; ///< whether Document.DBT existed

    /// Texts for the user about what did not import as stored: a table
    /// shorter than its header says, notes that could not be read. Empty
    /// when everything was read as it should be.
    QStringList warnings(const QString& folder) const;
};

/// A legacy date field (YYYYMMDD) as a date value (store::makeDate), or
/// Null: for blank month characters (an empty dBase date is eight blanks),
/// and for anything that is no date (19990230, 00000000, a blank or partly
/// blank year or day). Independent of the machine's locale and time zone.
QVariant fnLegacyDate(QStringView field);

/// Maps a live record to a document; `note` is its memo text.
LegacyDocument mapLegacyRecord(const LegacyRecord& record, const QString& note);

/// Reads the legacy register in `folder` and calls `onRow` for each live
/// record, in file order. Raises LegacyError when a file cannot be read or
/// the table header is damaged (before any callback); exceptions thrown by
/// `onRow` pass through unchanged.
LegacyScan ParseLegacyRegister(const QString& folder,
                               const std::function<void(const LegacyDocument&)>& onRow);

} // namespace legacy
