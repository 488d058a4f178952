// Fuzz target for the legacy register reader (legacy/legacy_reader.h,
// legacy/legacy_parser.h): arbitrary bytes as the table Document.DBF and
// its memo file Document.DBT.
//
// Input layout: byte 0 holds flags (bit 0: the memo file exists), bytes
// 1-4 the table's length n (little-endian), then min(n, what is left) bytes
// of the table and the rest as the memo file. An input shorter than five
// bytes is a table alone. pack_legacy.py writes real files in this layout.
//
// Each input is read twice. First in memory, through the reader's pure
// pieces: the header, every whole 131-byte record present after it
// (whatever the header announces), the memo each one refers to and the
// document it maps to. Then the way the import reads it: both files are
// written to a scratch folder (in /dev/shm when there is one) and
// ParseLegacyRegister reads them. The two readings must agree: the same
// refusal of a bad header, the same live documents in the same order and
// the same counts. Cost: two small file writes per input.

#include "fuzz_check.h"
#include "legacy/cp1252.h"
#include "legacy/legacy_error.h"
#include "legacy/legacy_parser.h"
#include "legacy/legacy_reader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using namespace legacy;

/// The two files an input stands for.
struct LegacyInput {
    QByteArray table;         ///< Document.DBF
    QByteArray memo;          ///< Document.DBT; empty when absent
    bool memoPresent = false; ///< whether Document.DBT is written at all
};

LegacyInput split(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    LegacyInput in;
    if (size < 5) {
        in.table = QByteArray(bytes, static_cast<qsizetype>(size));
        return in;
    }
    in.memoPresent = (data[0] & 1) != 0;
    const size_t declared = static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8 |
                            static_cast<size_t>(data[3]) << 16 | static_cast<size_t>(data[4]) << 24;
    const size_t rest = size - 5;
    const size_t tableLength = std::min(declared, rest);
    in.table = QByteArray(bytes + 5, static_cast<qsizetype>(tableLength));
    if (in.memoPresent)
        in.memo = QByteArray(bytes + 5 + tableLength, static_cast<qsizetype>(rest - tableLength));
    return in;
}

/// What the import should see, worked out in memory.
struct Expected {
    bool refused = false;                  ///< the header is short or of another layout
    LegacyScan scan;                       ///< counts as ParseLegacyRegister reports them
    std::vector<LegacyDocument> documents; ///< live records, in file order
};

void checkDocument(const LegacyDocument& doc, const QString& note) {
    fuzz::check(doc.description.size() <= 40 && !doc.description.endsWith(u' '),
                "description is cut to its field and loses its trailing blanks");
    fuzz::check(doc.typeName.size() <= 10 && doc.who.size() <= 30, "fields keep their widths");
    fuzz::check(doc.note.size() <= note.size(), "the note is the memo text, trimmed");
    for (const QVariant* date : {&doc.date, &doc.dateAdded, &doc.dateChanged})
        fuzz::check(date->isNull() ||
                        (date->typeId() == QMetaType::QDateTime && date->toDateTime().isValid() &&
                         date->toDateTime().time() == QTime(0, 0)),
                    "a legacy date is Null or a valid date without a time of day");
}

Expected readInMemory(const LegacyInput& in, Cp1252Decoder& decoder) {
    Expected e;
    LegacyMemoBlocks memos;
    memos.bytes = in.memo;
    memos.found = in.memoPresent;
    e.scan.memoFileFound = in.memoPresent;
    if (in.table.size() < HeaderLength) {
        e.refused = true;
        return e;
    }
    const LegacyHeader header = parseLegacyHeader(in.table);
    e.refused = header.headerLength != HeaderLength || header.recordLength != RecordLength;
    e.scan.announced = header.recordCount;

    int index = 0;
    for (qsizetype at = HeaderLength; at + RecordLength <= in.table.size();
         at += RecordLength, ++index) {
        const LegacyRecord record =
            parseLegacyRecord(QByteArrayView(in.table).sliced(at, RecordLength), decoder);
        fuzz::check(record.deleteFlag.size() == 1 && record.id.size() == 6 &&
                        record.description.size() == 40 && record.date.size() == 8 &&
                        record.dateAdded.size() == 8 && record.dateChanged.size() == 8 &&
                        record.type.size() == 10 && record.who.size() == 30 &&
                        record.memoBlock.size() == 20,
                    "a record is cut into fields of their widths");

        // Every memo is resolved, that of a deleted record too.
        MemoStatus status = MemoStatus::None;
        const QString note = fnMemoText(memos, record.memoBlock, decoder, &status);
        fuzz::check(status == MemoStatus::Whole || status == MemoStatus::Cut || note.isEmpty(),
                    "no note without a memo");
        fuzz::check(note.size() <= memos.size(), "a note lies inside the memo file");
        const LegacyDocument doc = mapLegacyRecord(record, note);
        checkDocument(doc, note);

        if (index >= static_cast<qint64>(header.recordCount))
            continue; // present in the file but not announced: never imported
        ++e.scan.found;
        if (record.deleteFlag == u'*') {
            ++e.scan.deleted;
            continue;
        }
        e.scan.notesUnreadable += status == MemoStatus::Unreadable;
        e.scan.notesCut += status == MemoStatus::Cut;
        ++e.scan.delivered;
        e.documents.push_back(doc);
    }
    return e;
}

/// The scratch folder the files are written to, made once per run.
const QString& scratchFolder() {
    static QTemporaryDir dir(
        QDir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
            .filePath(QStringLiteral("tolvane-fuzz-XXXXXX")));
    static const QString path = dir.path();
    fuzz::check(dir.isValid(), "a scratch folder can be made");
    return path;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    fuzz::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file opens");
    fuzz::check(file.write(bytes) == bytes.size(), "scratch file is written");
}

bool sameDocument(const LegacyDocument& a, const LegacyDocument& b) {
    return a.id == b.id && a.description == b.description && a.date == b.date &&
           a.dateAdded == b.dateAdded && a.dateChanged == b.dateChanged &&
           a.typeName == b.typeName && a.who == b.who && a.note == b.note;
}

void readFromFiles(const LegacyInput& in, const Expected& e) {
    const QDir folder(scratchFolder());
    writeFile(folder.filePath(QLatin1String(TableFile)), in.table);
    const QString memoPath = folder.filePath(QLatin1String(MemoFile));
    if (in.memoPresent)
        writeFile(memoPath, in.memo);
    else
        QFile::remove(memoPath);

    std::vector<LegacyDocument> read;
    LegacyScan scan;
    try {
        scan = ParseLegacyRegister(folder.path(),
                                   [&](const LegacyDocument& doc) { read.push_back(doc); });
    } catch (const LegacyError& error) {
        fuzz::check(e.refused, "only a bad header refuses the register");
        fuzz::check(read.empty(), "a refusal comes before any record");
        fuzz::check(!error.text().isEmpty(), "a refusal says why");
        return;
    }
    fuzz::check(!e.refused, "a bad header refuses the register");
    fuzz::check(scan.announced == e.scan.announced && scan.found == e.scan.found &&
                    scan.deleted == e.scan.deleted && scan.delivered == e.scan.delivered &&
                    scan.notesUnreadable == e.scan.notesUnreadable &&
                    scan.notesCut == e.scan.notesCut && scan.memoFileFound == e.scan.memoFileFound,
                "the import counts what the file holds");
    fuzz::check(read.size() == e.documents.size() &&
                    std::equal(read.begin(), read.end(), e.documents.begin(), sameDocument),
                "the import delivers the live records as stored");
    const QStringList warnings = scan.warnings(folder.path());
    fuzz::check(warnings.isEmpty() == (scan.found >= scan.announced && scan.notesUnreadable == 0 &&
                                       scan.notesCut == 0),
                "the user is told exactly when something did not import as stored");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Cp1252Decoder decoder;
    const LegacyInput in = split(data, size);
    const Expected expected = readInMemory(in, decoder);
    readFromFiles(in, expected);
    return 0;
}
