// Legacy records to document values; see legacy_parser.h.

#include "legacy_parser.h"

#include "legacy_reader.h"
#include "store/value.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>

namespace legacy {
namespace {

/// The text without its trailing blanks; leading blanks stay.
QString trimRight(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ')
        --n;
    return s.first(n);
}

/// The value of `count` decimal digits at `from`, or -1 unless all are digits.
int digits(QStringView s, qsizetype from, qsizetype count) {
    int v = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (i >= s.size() || s[i] < u'0' || s[i] > u'9')
            return -1;
        v = v * 10 + (s[i].unicode() - u'0');
    }
    return v;
}

int wholeNumber(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max()))
        return 0;
    return static_cast<int>(r);
}

} // namespace

QVariant fnLegacyDate(QStringView field) {
    if (field.size() >= 6 && field[4] == u' ' && field[5] == u' ')
        return {};
    const int year = digits(field, 0, 4);
    const int month = digits(field, 4, 2);
    const int day = digits(field, 6, 2);
    if (year <= 0 || month < 0 || day < 0)
        return {};
    const QDate d(year, month, day); // invalid for month 0, day 0, 19990230, ...
    return d.isValid() ? store::makeDate(d) : QVariant();
}

LegacyDocument mapLegacyRecord(const LegacyRecord& record, const QString& note) {
    LegacyDocument doc;
    doc.id = wholeNumber(fnLegacyNumber(record.id));
    doc.description = trimRight(record.description);
    doc.date = fnLegacyDate(record.date);
    doc.dateAdded = fnLegacyDate(record.dateAdded);
    doc.dateChanged = fnLegacyDate(record.dateChanged);
    doc.typeName = trimRight(record.type);
    doc.who = trimRight(record.who);
    doc.note = trimRight(note);
    return doc;
}

QStringList LegacyScan::warnings(const QString& folder) const {
    QStringList out;
    const auto path = [&](const char* name) {
        return QDir::toNativeSeparators(
            QFileInfo(QDir(folder).filePath(QLatin1String(name))).absoluteFilePath());
    };
    if (found < announced)
        out << QStringLiteral("The old register \"%1\" ends early: the header announced %2 "
                              "records, %3 were found. The records found were imported; the "
                              "rest are missing from the file.")
                   .arg(path(TableFile))
                   .arg(announced)
                   .arg(found);
    if (notesUnreadable > 0)
        out << QStringLiteral("%1 notes could not be found in \"%2\"%3 and were imported empty.")
                   .arg(notesUnreadable)
                   .arg(path(MemoFile))
                   .arg(memoFileFound ? QString() : QStringLiteral(" (the file is missing)"));
    if (notesCut > 0)
        out << QStringLiteral("%1 notes run past the end of \"%2\" and were imported as far as "
                              "the file goes.")
                   .arg(notesCut)
                   .arg(path(MemoFile));
    return out;
}

LegacyScan ParseLegacyRegister(const QString& folder,
                               const std::function<void(const LegacyDocument&)>& onRow) {
    LegacyScan scan;
    const LegacyMemoBlocks memos = LoadMemoBlocks(folder);
    scan.memoFileFound = memos.found;
    const std::unique_ptr<LegacyTable> table = OpenLegacyTable(folder);
    scan.announced = table->header.recordCount;
    LegacyRecord record;
    while (ReadLegacyRecord(*table, record)) {
        ++scan.found;
        if (record.deleteFlag == u'*') {
            ++scan.deleted;
            continue;
        }
        MemoStatus status = MemoStatus::None;
        const QString note = fnMemoText(memos, record.memoBlock, table->decoder, &status);
        scan.notesUnreadable += status == MemoStatus::Unreadable;
        scan.notesCut += status == MemoStatus::Cut;
        onRow(mapLegacyRecord(record, note));
        ++scan.delivered;
    }
    CloseLegacyTable(*table);
    return scan;
}

} // namespace legacy
