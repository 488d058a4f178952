// Builds legacy dBase files in memory and writes them; see legacy_writer.h.

#include "legacy_writer.h"

#include "legacy/cp1252.h"
#include "legacy/legacy_reader.h"

#include <QDir>
#include <QSaveFile>
#include <QStringList>

namespace legacy {
namespace {

struct FieldLayout {
    const char* name; ///< at most 10 characters
    char type;        ///< dBase type letter
    int width;
};

// The nine fields after the delete flag: 6+40+8+8+8+10+30+10+10 = 130 bytes.
// The record's 20-character memo reference is two dBase fields: a blank
// reserved field and the 10-character memo field holding the block number
// right-aligned, as dBase writes it. Read as one field, the 20 characters
// are the block number right-aligned, and dBase readers see a proper memo.
constexpr FieldLayout fields[] = {
    {"ID", 'N', 6},        {"DESCRIPTIO", 'C', 40}, {"DATE", 'D', 8},
    {"DATEADDED", 'D', 8}, {"DATECHANGE", 'D', 8},  {"TYPE", 'C', 10},
    {"WHO", 'C', 30},      {"RESERVED", 'C', 10},   {"NOTE", 'M', 10},
};

void putU32(QByteArray& b, qsizetype at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putU16(QByteArray& b, qsizetype at, uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

/// `bytes` cut or blank-padded to `width`, on the left when right-aligned.
QByteArray fit(QByteArray bytes, int width, bool rightAligned = false) {
    if (bytes.size() > width)
        bytes.truncate(width);
    const QByteArray pad(width - bytes.size(), ' ');
    return rightAligned ? pad + bytes : bytes + pad;
}

QByteArray dateField(Cp1252Encoder& enc, const QString& date) {
    return fit(enc.encode(date), 8);
}

QByteArray header(int records, QDate updated) {
    QByteArray h(HeaderLength, '\0');
    h[0] = static_cast<char>(0x83); // dBase III with memo
    h[1] = static_cast<char>(updated.year() - 1900);
    h[2] = static_cast<char>(updated.month());
    h[3] = static_cast<char>(updated.day());
    putU32(h, 4, static_cast<uint32_t>(records));
    putU16(h, 8, HeaderLength);
    putU16(h, 10, RecordLength);
    qsizetype at = 32;
    for (const FieldLayout& f : fields) {
        const QByteArray name(f.name);
        for (qsizetype i = 0; i < name.size(); ++i)
            h[at + i] = name[i];
        h[at + 11] = f.type;
        h[at + 16] = static_cast<char>(f.width);
        at += 32;
    }
    h[at] = 0x0D; // at 320: end of the field descriptors
    return h;
}

} // namespace

LegacyFiles buildLegacyFiles(const QList<LegacyEntry>& entries, QDate updated) {
    Cp1252Encoder enc;
    LegacyFiles out;
    out.memo = QByteArray(MemoBlockSize, '\0');
    out.table = header(static_cast<int>(entries.size()), updated);
    out.table.reserve(HeaderLength + entries.size() * RecordLength + 1);
    for (const LegacyEntry& e : entries) {
        QString memoField = e.memoField.value_or(QString());
        if (!e.memoField && !e.note.isEmpty()) {
            const int block = static_cast<int>(out.memo.size() / MemoBlockSize);
            const QByteArray text = enc.encode(e.note);
            QByteArray memo("\xFF\xFF\x08\x00\0\0\0\0", 8);
            putU32(memo, 4, static_cast<uint32_t>(text.size() + MemoHeaderSize));
            memo += text;
            memo += "\x1A\x1A";
            memo.append((MemoBlockSize - memo.size() % MemoBlockSize) % MemoBlockSize, '\0');
            out.memo += memo;
            memoField = QString::number(block);
        }
        QByteArray record;
        record.reserve(RecordLength);
        record += e.deleted ? '*' : ' ';
        record += fit(enc.encode(e.id), 6, true);
        record += fit(enc.encode(e.description), 40);
        record += dateField(enc, e.date);
        record += dateField(enc, e.dateAdded);
        record += dateField(enc, e.dateChanged);
        record += fit(enc.encode(e.type), 10);
        record += fit(enc.encode(e.who), 30);
        record += fit(enc.encode(memoField), 20, !e.memoField);
        out.table += record;
    }
    out.table += '\x1A'; // dBase end-of-file marker
    putU32(out.memo, 0, static_cast<uint32_t>(out.memo.size() / MemoBlockSize)); // next free
    putU16(out.memo, 20, MemoBlockSize);                                         // block size
    return out;
}

bool writeLegacyFiles(const QString& folder, const LegacyFiles& files, QString* error) {
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QSaveFile f(QDir(folder).filePath(QLatin1String(name)));
        if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit())
            return true;
        if (error)
            *error = QStringLiteral("%1: %2").arg(f.fileName(), f.errorString());
        return false;
    };
    return write(TableFile, files.table) && write(MemoFile, files.memo);
}

bool parseLegacyText(const QString& text, QList<LegacyEntry>* entries, QString* error) {
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList f = line.split(u'\t');
        if (f.size() > 9) {
            if (error)
                *error = QStringLiteral("line %1: %2 fields, at most 9 expected")
                             .arg(n + 1)
                             .arg(f.size());
            return false;
        }
        const auto at = [&](int i) { return i < f.size() ? f[i] : QString(); };
        LegacyEntry e;
        e.id = at(0);
        e.description = at(1);
        e.date = at(2);
        e.dateAdded = at(3);
        e.dateChanged = at(4);
        e.type = at(5);
        e.who = at(6);
        const QString escaped = at(7);
        for (qsizetype i = 0; i < escaped.size(); ++i) {
            const QChar c = escaped[i];
            if (c == u'\\' && i + 1 < escaped.size()) {
                const QChar next = escaped[++i];
                e.note += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
            } else {
                e.note += c;
            }
        }
        e.deleted = at(8).trimmed() == QLatin1String("*");
        entries->append(e);
    }
    return true;
}

} // namespace legacy
