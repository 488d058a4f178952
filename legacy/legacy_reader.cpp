// The legacy table and memo reader; see legacy_reader.h. Numbers are read
// byte by byte in little-endian order, never by casting a struct over the
// bytes, so the layout does not depend on the compiler's packing.

#include "legacy_reader.h"

#include "legacy_error.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace legacy {
namespace {

uint32_t u32At(QByteArrayView b, qsizetype at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

uint16_t u16At(QByteArrayView b, qsizetype at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}

QString nativePath(const QString& folder, const char* name) {
    return QDir::toNativeSeparators(
        QFileInfo(QDir(folder).filePath(QLatin1String(name))).absoluteFilePath());
}

const QString whatToDo = QStringLiteral(
    "Nothing was imported and the old files were not changed. Put an undamaged copy of "
    "the old register (Document.DBF with Document.DBT) in the program's folder, or move "
    "them out of it to start with an empty register, then start the program again.");

/// How opening one of the legacy files went.
struct Opened {
    enum { Done, Missing, Failed, NotRegular } outcome = Failed;
    QString error;   ///< the system's reason, for Failed
    qint64 size = 0; ///< the file's size, for Done
};

/// Opens `path` read-only into `file` when it is a regular file reached
/// without a symbolic link. A pipe or a device would never end (or block
/// the open itself: hence O_NONBLOCK, harmless for a regular file).
Opened openRegular(const QString& path, QFile& file) {
    Opened r;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        r.outcome = errno == ENOENT  ? Opened::Missing
                    : errno == ELOOP ? Opened::NotRegular
                                     : Opened::Failed;
        r.error = QString::fromLocal8Bit(std::strerror(errno));
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        r.outcome = Opened::NotRegular;
        return r;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        r.error = file.errorString();
        return r;
    }
    r.outcome = Opened::Done;
    r.size = st.st_size;
    return r;
}

QString notRegular(const QString& shown) {
    return QStringLiteral("\"%1\" is not a regular file (it is a symbolic link, a device, a pipe "
                          "or a folder); the program reads the old register only from files of "
                          "their own. Put a copy of the file itself in the program's folder and "
                          "start the program again. Nothing was imported.")
        .arg(shown);
}

} // namespace

QByteArray LegacyMemoBlocks::read(qint64 at, qint64 length) const {
    length = std::min(length, size() - at);
    if (at < 0 || length <= 0)
        return {};
    if (!file)
        return bytes.sliced(at, length);
    if (!file->seek(at))
        return {};
    return file->read(length);
}

LegacyMemoBlock LegacyMemoBlocks::block(qsizetype k) const {
    const QByteArray head = read(k * MemoBlockSize, MemoHeaderSize);
    if (head.size() < MemoHeaderSize)
        return {};
    return {u32At(head, 0), u32At(head, 4)};
}

bool LegacyMemoBlocks::hasBlock(qsizetype k) const {
    return k >= 0 && k <= size() / MemoBlockSize && k * MemoBlockSize + MemoHeaderSize <= size();
}

LegacyHeader parseLegacyHeader(QByteArrayView bytes) {
    LegacyHeader h;
    h.recordCount = static_cast<int32_t>(u32At(bytes, 4));
    h.headerLength = u16At(bytes, 8);
    h.recordLength = u16At(bytes, 10);
    return h;
}

LegacyRecord parseLegacyRecord(QByteArrayView bytes, Cp1252Decoder& decoder) {
    // One decode for the whole record: every byte gives one character, so
    // the fields are cut at their byte offsets.
    const QString all = decoder.decode(bytes.first(RecordLength));
    LegacyRecord r;
    r.deleteFlag = all.mid(0, 1);
    r.id = all.mid(1, 6);
    r.description = all.mid(7, 40);
    r.date = all.mid(47, 8);
    r.dateAdded = all.mid(55, 8);
    r.dateChanged = all.mid(63, 8);
    r.type = all.mid(71, 10);
    r.who = all.mid(81, 30);
    r.memoBlock = all.mid(111, 20);
    return r;
}

LegacyMemoBlocks LoadMemoBlocks(const QString& folder) {
    LegacyMemoBlocks blocks;
    auto file = std::make_shared<QFile>();
    const Opened opened = openRegular(QDir(folder).filePath(QLatin1String(MemoFile)), *file);
    switch (opened.outcome) {
    case Opened::Missing:
        return blocks;
    case Opened::NotRegular:
        throw LegacyError(QStringLiteral("The notes of the old register cannot be read: ") +
                          notRegular(nativePath(folder, MemoFile)));
    case Opened::Failed:
        throw LegacyError(QStringLiteral("The notes of the old register, \"%1\", cannot be read "
                                         "(%2). Make the file readable and start the program "
                                         "again. Nothing was imported.")
                              .arg(nativePath(folder, MemoFile), opened.error));
    case Opened::Done:
        break;
    }
    blocks.file = std::move(file);
    blocks.fileSize = opened.size;
    blocks.found = true;
    return blocks;
}

std::unique_ptr<LegacyTable> OpenLegacyTable(const QString& folder) {
    auto table = std::make_unique<LegacyTable>();
    const QString shown = nativePath(folder, TableFile);
    const Opened opened = openRegular(QDir(folder).filePath(QLatin1String(TableFile)), table->file);
    if (opened.outcome == Opened::NotRegular)
        throw LegacyError(QStringLiteral("The old register cannot be opened: ") +
                          notRegular(shown));
    if (opened.outcome != Opened::Done)
        throw LegacyError(QStringLiteral("The old register \"%1\" cannot be opened (%2). Make "
                                         "the file readable and start the program again. "
                                         "Nothing was imported.")
                              .arg(shown, opened.error));
    table->recordsInFile = std::max<qint64>(opened.size - HeaderLength, 0) / RecordLength;
    const QByteArray head = table->file.read(HeaderLength);
    if (head.size() < HeaderLength)
        throw LegacyError(QStringLiteral("The old register \"%1\" is damaged: it is shorter than "
                                         "its %2-byte header. %3")
                              .arg(shown)
                              .arg(HeaderLength)
                              .arg(whatToDo));
    table->header = parseLegacyHeader(head);
    if (table->header.headerLength != HeaderLength || table->header.recordLength != RecordLength)
        throw LegacyError(QStringLiteral("The old register \"%1\" cannot be imported: its header "
                                         "gives a header length of %2 and a record length of %3 "
                                         "bytes, where the earlier release always wrote %4 and "
                                         "%5. The file is damaged or was not written by the "
                                         "earlier release. %6")
                              .arg(shown)
                              .arg(table->header.headerLength)
                              .arg(table->header.recordLength)
                              .arg(HeaderLength)
                              .arg(RecordLength)
                              .arg(whatToDo));
    return table;
}

bool ReadLegacyRecord(LegacyTable& table, LegacyRecord& record) {
    if (table.recordsRead >= table.header.recordCount || table.recordsRead >= table.recordsInFile)
        return false;
    char buffer[RecordLength];
    if (table.file.read(buffer, RecordLength) != RecordLength)
        return false; // the file ends before the records the header announced
    record = parseLegacyRecord(QByteArrayView(buffer, RecordLength), table.decoder);
    ++table.recordsRead;
    return true;
}

void CloseLegacyTable(LegacyTable& table) {
    table.file.close();
}

double fnLegacyNumber(QStringView field) {
    // One pass over the field, skipping blanks, tabs and line feeds wherever
    // they are; digits are collected into a small buffer for the conversion.
    char number[64];
    int n = 0;
    bool sign = false, point = false, digit = false;
    for (const QChar c : field) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        if ((c == u'+' || c == u'-') && n == 0 && !sign) {
            sign = true;
        } else if (c >= u'0' && c <= u'9') {
            digit = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        if (n < static_cast<int>(sizeof number) - 1)
            number[n++] = static_cast<char>(c.unicode());
    }
    if (!digit)
        return 0;
    // from_chars ignores the C locale's decimal separator; it takes no '+'.
    const char* from = number[0] == '+' ? number + 1 : number;
    double value = 0;
    std::from_chars(from, number + n, value);
    return value;
}

QString fnMemoText(const LegacyMemoBlocks& blocks, QStringView memoBlockField,
                   Cp1252Decoder& decoder, MemoStatus* status) {
    MemoStatus unused;
    MemoStatus& st = status ? *status : unused;
    const double number = std::nearbyint(fnLegacyNumber(memoBlockField)); // ties to even
    if (number == 0) {
        st = MemoStatus::None;
        return {};
    }
    st = MemoStatus::Unreadable;
    // Block 0 is the file header. Any later block that starts inside the file
    // can hold a note, however large its number: a memo file past 32 MB has
    // blocks beyond 16 bits. The number is compared with the last block
    // before it is converted, so that no number is too large to convert.
    const qint64 lastBlock = blocks.size() / MemoBlockSize;
    if (!(number >= 1 && number <= static_cast<double>(lastBlock)))
        return {};
    const qsizetype b = static_cast<qsizetype>(number);
    if (!blocks.hasBlock(b))
        return {};
    const uint32_t length = blocks.block(b).length;
    if (length < MemoHeaderSize)
        return {};
    const qint64 textAt = b * MemoBlockSize + MemoHeaderSize;
    const qint64 wanted = static_cast<qint64>(length - MemoHeaderSize);
    const QByteArray text = blocks.read(textAt, std::min(wanted, MaxMemoBytes));
    st = text.size() < wanted ? MemoStatus::Cut : MemoStatus::Whole;
    return decoder.decode(text);
}

} // namespace legacy
