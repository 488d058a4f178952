#pragma once
// Reader of the earlier release's register: the table Document.DBF and its
// memo file Document.DBT, in the one fixed layout that release wrote (nine
// fields of known widths; the field descriptors are not interpreted).
//
// Use: LoadMemoBlocks, then OpenLegacyTable, then ReadLegacyRecord until it
// returns false, then CloseLegacyTable; fnMemoText resolves a record's memo
// reference. Both files are opened read-only and never changed. They lie in
// a folder others may write, so each is opened only as a regular file of
// its own (never through a symbolic link, never a device, a pipe or a
// folder), and nothing is read past what its size and the records name: a
// record count the file cannot hold reads the records it does hold.
//
// Cost: the table is read strictly forwards, one 131-byte record at a time,
// decoded through a 256-entry table that iconv filled; of the memo file only
// the blocks the records point into are read, one seek per note.

#include "cp1252.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

namespace legacy {

inline constexpr int HeaderLength = 321;   ///< 32-byte file header, 9 descriptors, terminator
inline constexpr int RecordLength = 131;   ///< delete flag and nine fields
inline constexpr int MemoBlockSize = 1024; ///< block k of the memo file is at k * 1024
inline constexpr int MemoHeaderSize = 8;   ///< signature and length before a memo's text
/// The most of one memo that is read: far beyond any note the earlier
/// release wrote, and a bound on what a length field of a (sparse) memo
/// file can make the import hold in memory.
inline constexpr qint64 MaxMemoBytes = qint64(16) << 20;
inline constexpr const char* TableFile = "Document.DBF";
inline constexpr const char* MemoFile = "Document.DBT";

/// The fields of the table header the reader uses, read little-endian at
/// their fixed offsets.
struct LegacyHeader {
    uint32_t recordCount = 0;  ///< offset 4: records the header announces
    uint16_t headerLength = 0; ///< offset 8: must be 321
    uint16_t recordLength = 0; ///< offset 10: must be 131
};

/// One table record cut into its fields, each decoded one character per
/// byte and kept exactly as stored (blank padding included).
struct LegacyRecord {
    QString deleteFlag;  ///< offset 0, width 1: "*" marks a deleted record
    QString id;          ///< offset 1, width 6: the document number as text
    QString description; ///< offset 7, width 40
    QString date;        ///< offset 47, width 8: YYYYMMDD or blanks
    QString dateAdded;   ///< offset 55, width 8
    QString dateChanged; ///< offset 63, width 8
    QString type;        ///< offset 71, width 10: type name, blank-padded
    QString who;         ///< offset 81, width 30
    QString memoBlock;   ///< offset 111, width 20: memo block number as text
};

/// The fixed part of a memo block.
struct LegacyMemoBlock {
    uint32_t signature = 0; ///< offset 0: ignored
    uint32_t length = 0;    ///< offset 4: memo bytes including this 8-byte header
};

/// The memo file: read from the open file, or held in `bytes` when there is
/// no file (the tests and the fuzz target). A missing file is an empty one.
struct LegacyMemoBlocks {
    QByteArray bytes;            ///< the contents, when held in memory
    std::shared_ptr<QFile> file; ///< the open memo file, when read from disk
    qint64 fileSize = 0;         ///< its size when opened
    bool found = false;          ///< whether Document.DBT existed

    /// The memo file's length in bytes.
    qint64 size() const { return file ? fileSize : bytes.size(); }
    /// Up to `length` bytes at `at`, fewer where the file ends or a read
    /// fails.
    QByteArray read(qint64 at, qint64 length) const;
    /// The header of block k; only valid when hasBlock(k).
    LegacyMemoBlock block(qsizetype k) const;
    /// Whether block k's 8-byte header lies inside the file.
    bool hasBlock(qsizetype k) const;
};

/// An open legacy table, positioned after the last record read.
struct LegacyTable {
    QFile file;               ///< Document.DBF, opened read-only
    LegacyHeader header;      ///< as read by OpenLegacyTable
    qint64 recordsInFile = 0; ///< whole records the file's size holds
    qint64 recordsRead = 0;   ///< records delivered so far
    Cp1252Decoder decoder;    ///< decodes each record's bytes
};

/// Little-endian fields of the table header; `bytes` holds at least 12.
LegacyHeader parseLegacyHeader(QByteArrayView bytes);
/// A record's nine fields from its 131 bytes.
LegacyRecord parseLegacyRecord(QByteArrayView bytes, Cp1252Decoder& decoder);

/// Opens `folder`/Document.DBT for reading its blocks. Raises LegacyError
/// if the file exists but cannot be read, or is not a regular file.
LegacyMemoBlocks LoadMemoBlocks(const QString& folder);

/// Opens `folder`/Document.DBF read-only and checks its header. Raises
/// LegacyError, naming the file and what to do, if it cannot be opened, is
/// not a regular file, is shorter than its header, or declares a header or
/// record length other than 321 and 131 (another layout, or a damaged file).
std::unique_ptr<LegacyTable> OpenLegacyTable(const QString& folder);

/// Reads the next record into `record`. False once header.recordCount
/// records have been read, or the records the file's size holds, or when
/// the file ends before a whole record.
bool ReadLegacyRecord(LegacyTable& table, LegacyRecord& record);

void CloseLegacyTable(LegacyTable& table);

/// The number at the start of a fixed-width field: blanks, tabs and line
/// feeds are removed, then the longest leading decimal (optional sign,
/// digits, optional point and digits) is taken; 0 when there is none.
double fnLegacyNumber(QStringView field);

/// How a record's memo reference resolved.
enum class MemoStatus {
    None,       ///< blank or 0: the record has no note
    Whole,      ///< the whole memo was read
    Cut,        ///< the memo ran past the end of the file (read up to the end)
                ///< or past MaxMemoBytes (read up to that)
    Unreadable, ///< a reference to no memo (missing file, a negative block
                ///< or one past the file, length below 8): empty note
};

/// The note a `MemoBlock` field refers to: the memo's length field decides
/// how many bytes are taken, across the following blocks, but never past
/// the end of the file. `status`, if given, says how it resolved.
QString fnMemoText(const LegacyMemoBlocks& blocks, QStringView memoBlockField,
                   Cp1252Decoder& decoder, MemoStatus* status = nullptr);

} // namespace legacy
