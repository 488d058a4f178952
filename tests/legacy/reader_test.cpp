// The legacy reader: number and date fields, memo resolution (whole memos
// across blocks, bounded by the file; every kind of bad reference gives an
// empty note), the header check, short tables and Windows-1252 text.

#include "legacy/legacy_error.h"
#include "legacy/legacy_parser.h"
#include "legacy_files.h"

#include <QDate>
#include <QFile>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>

using namespace legacy;

namespace {

TEST(LegacyNumber, TakesTheLeadingDecimalAfterRemovingBlanks) {
    const struct {
        const char* field;
        double value;
    } cases[] = {
        {"  0042", 42}, {"42    ", 42}, {"      ", 0}, {"", 0},        {" 1 2 ", 12},
        {"\t5\n", 5},   {"-3", -3},     {"+7", 7},     {"12ab34", 12}, {"abc", 0},
        {"-", 0},       {"1.5", 1.5},   {".5", 0.5},   {"7.", 7},      {"1.2.3", 1.2},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(fnLegacyNumber(QString::fromLatin1(c.field)), c.value) << c.field;
}

TEST(LegacyDate, ValidDatesOnlyWhateverTheMachine) {
    const struct {
        const char* field;
        QDate date; // invalid: Null expected
    } cases[] = {
        {"19990315", QDate(1999, 3, 15)},
        {"20000229", QDate(2000, 2, 29)},
        {"        ", QDate()},
        {"1999  15", QDate()}, // blank month
        {"ab  cdef", QDate()},
        {"19990230", QDate()}, // no such day
        {"00000000", QDate()},
        {"19000229", QDate()},
        {"    0315", QDate()},
        {"199903  ", QDate()}, // blank year, blank day
        {"1999 315", QDate()},
        {"19991301", QDate()},
    };
    for (const auto& c : cases) {
        const QVariant v = fnLegacyDate(QString::fromLatin1(c.field));
        if (c.date.isValid()) {
            EXPECT_EQ(store::dateOf(v), c.date) << c.field;
            EXPECT_EQ(v.toDateTime().time(), QTime(0, 0)) << c.field;
        } else {
            EXPECT_TRUE(store::isNull(v)) << c.field;
        }
    }
}

class Memos : public LegacyFolder {
protected:
    /// A memo file whose block `k` (k >= 1) claims `lengths[k-1]` bytes and
    /// holds letters cycling a..z from its offset 8 to the file's end.
    void memoFile(const QList<uint32_t>& lengths, qsizetype size) {
        QByteArray b(size, '\0');
        for (qsizetype i = MemoBlockSize; i < size; ++i)
            b[i] = static_cast<char>('a' + (i % 26));
        for (qsizetype k = 1; k <= lengths.size(); ++k) {
            const qsizetype at = k * MemoBlockSize;
            if (at + 8 > size)
                break;
            for (int i = 0; i < 4; ++i)
                b[at + 4 + i] = static_cast<char>((lengths[k - 1] >> (8 * i)) & 0xFF);
        }
        put(MemoFile, b);
    }
    QString note(const char* field, MemoStatus* status = nullptr) {
        const LegacyMemoBlocks blocks = LoadMemoBlocks(folder());
        return fnMemoText(blocks, QString::fromLatin1(field), decoder, status);
    }
    Cp1252Decoder decoder;
};

TEST_F(Memos, LengthFieldDecidesAcrossBlocksUpToTheFileEnd) {
    memoFile({20, 300, 2000, 5000}, 6000);
    const QByteArray file = bytes(MemoFile);
    MemoStatus st;
    EXPECT_EQ(note("1", &st), decoder.decode(file.mid(MemoBlockSize + 8, 12)));
    EXPECT_EQ(st, MemoStatus::Whole);
    EXPECT_EQ(note("2").size(), 292);
    // 1992 bytes: the memo runs on into block 4, whose header bytes are text here.
    EXPECT_EQ(note("3", &st), decoder.decode(file.mid(3 * MemoBlockSize + 8, 1992)));
    EXPECT_EQ(st, MemoStatus::Whole);
    // Block 4 claims 4992 bytes but the file ends 1896 bytes after its header.
    EXPECT_EQ(note("4", &st), decoder.decode(file.mid(4 * MemoBlockSize + 8)));
    EXPECT_EQ(note("4").size(), 1896);
    EXPECT_EQ(st, MemoStatus::Cut);
}

TEST_F(Memos, BadReferencesGiveAnEmptyNote) {
    memoFile({7, 0, 8, 20}, 2048 + 1024 + 500); // 3572 bytes: blocks 0 to 3, block 3 partial
    const struct {
        const char* field;
        MemoStatus status;
        int size;
    } cases[] = {
        {"                    ", MemoStatus::None, 0}, // blank: no memo
        {"0", MemoStatus::None, 0},
        {"1", MemoStatus::Unreadable, 0}, // length 7, below the 8-byte header
        {"2", MemoStatus::Unreadable, 0}, // length 0
        {"3", MemoStatus::Whole, 0},      // length 8: an empty memo
        {"4", MemoStatus::Unreadable, 0}, // past the end of the file
        {"-1", MemoStatus::Unreadable, 0},
        {"32768", MemoStatus::Unreadable, 0},                // past the end of the file
        {"65537", MemoStatus::Unreadable, 0},                // not block 1: numbers do not wrap
        {"99999999999999999999", MemoStatus::Unreadable, 0}, // too large for any integer
        {"1e3", MemoStatus::Unreadable, 0}, // block 1 is unreadable, "e3" is no number
        {"2.5", MemoStatus::Unreadable, 0}, // ties go to the even block, 2
    };
    for (const auto& c : cases) {
        MemoStatus st = MemoStatus::Whole;
        EXPECT_EQ(note(c.field, &st).size(), c.size) << c.field;
        EXPECT_EQ(st, c.status) << c.field;
    }
}

TEST_F(Memos, FileSizesOf2048And3000Bytes) {
    memoFile({30}, 2048); // blocks 0 and 1; block 2 lies past the end
    EXPECT_EQ(note("1").size(), 22);
    MemoStatus st;
    EXPECT_TRUE(note("2", &st).isEmpty());
    EXPECT_EQ(st, MemoStatus::Unreadable);

    memoFile({30, 100}, 3000); // block 2 is the partial last block
    EXPECT_EQ(note("2", &st).size(), 92);
    EXPECT_EQ(st, MemoStatus::Whole);
    EXPECT_TRUE(note("3", &st).isEmpty());
    EXPECT_EQ(st, MemoStatus::Unreadable);
}

TEST_F(Memos, MissingMemoFileIsEmpty) {
    const LegacyMemoBlocks blocks = LoadMemoBlocks(folder());
    EXPECT_FALSE(blocks.found);
    MemoStatus st;
    EXPECT_TRUE(fnMemoText(blocks, u"1", decoder, &st).isEmpty());
    EXPECT_EQ(st, MemoStatus::Unreadable);
    EXPECT_TRUE(fnMemoText(blocks, u"    ", decoder, &st).isEmpty());
    EXPECT_EQ(st, MemoStatus::None);
}

// A memo file in a folder others may write: only a regular file of its own
// is read, never through a link (to /dev/zero, which never ends, or to a
// file of the user's), never a pipe, which would block the start.
TEST_F(Memos, OnlyARegularFileIsRead) {
    memoFile({30}, 2048);
    ASSERT_TRUE(QFile::rename(path(MemoFile), path("real.DBT")));
    const auto refusal = [&] {
        try {
            LoadMemoBlocks(folder());
        } catch (const LegacyError& e) {
            return e.text();
        }
        return QString();
    };
    for (const char* target : {"/dev/zero", "real.DBT"}) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(QFile::link(QLatin1String(target), path(MemoFile)));
        EXPECT_TRUE(refusal().contains(QStringLiteral("not a regular file")));
        QFile::remove(path(MemoFile));
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(MemoFile)).constData(), 0600), 0);
    EXPECT_TRUE(refusal().contains(QStringLiteral("not a regular file")));
}

// A length field near 4 GB in a large (sparse) memo file: the note is read
// up to MaxMemoBytes and called cut, never taken whole into memory.
TEST_F(Memos, ALengthBeyondAnyNoteIsReadUpToTheBound) {
    memoFile({0xFFFFFFFFu}, 2048);
    QFile file(path(MemoFile));
    ASSERT_TRUE(file.resize(MaxMemoBytes + 4096));
    MemoStatus st;
    EXPECT_EQ(note("1", &st).size(), MaxMemoBytes);
    EXPECT_EQ(st, MemoStatus::Cut);
}

TEST(Cp1252, EveryByteIsOneCharacter) {
    Cp1252Decoder decoder;
    EXPECT_EQ(decoder.decode("Z\xF6\xEB \x80 \xE9t\xE9 \x92"), QString::fromUtf8("Zöë € été ’"));
    // Bytes the code page leaves undefined keep their place as control characters.
    const QString odd = decoder.decode("a\x81"
                                       "b\x8D\x8F\x90\x9D"
                                       "c");
    EXPECT_EQ(odd.size(), 8);
    EXPECT_EQ(odd[1].unicode(), 0x81);
    EXPECT_EQ(odd[6].unicode(), 0x9D);
    EXPECT_EQ(odd[7], u'c');
    Cp1252Encoder encoder;
    EXPECT_EQ(encoder.encode(QString::fromUtf8("Zoë € ☃")), QByteArray("Zo\xEB \x80 ?"));
}

class Table : public LegacyFolder {
protected:
    QStringList readIds() {
        QStringList ids;
        auto table = OpenLegacyTable(folder());
        LegacyRecord r;
        while (ReadLegacyRecord(*table, r))
            ids << r.deleteFlag + r.id;
        CloseLegacyTable(*table);
        return ids;
    }
    void setU16(QByteArray& b, int at, int v) {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>(v >> 8);
    }
};

TEST_F(Table, RecordsAreCutAtTheirOffsetsAndKeepLeadingBlanks) {
    auto e = entry(QStringLiteral("7"), QStringLiteral("  Café bill  "), QStringLiteral("Invoice"));
    e.dateAdded = QStringLiteral("19990101");
    e.deleted = true;
    write({e});
    auto table = OpenLegacyTable(folder());
    LegacyRecord r;
    ASSERT_TRUE(ReadLegacyRecord(*table, r));
    EXPECT_EQ(r.deleteFlag, QStringLiteral("*")); // delivered; skipping is the caller's choice
    EXPECT_EQ(r.id, QStringLiteral("     7"));
    EXPECT_EQ(r.description, QStringLiteral("  Café bill  ").leftJustified(40));
    EXPECT_EQ(r.date, QStringLiteral("19990315"));
    EXPECT_EQ(r.dateAdded, QStringLiteral("19990101"));
    EXPECT_EQ(r.dateChanged, QString(8, u' '));
    EXPECT_EQ(r.type, QStringLiteral("Invoice   "));
    EXPECT_EQ(r.who, QStringLiteral("Anna Berg").leftJustified(30));
    EXPECT_EQ(r.memoBlock, QString(20, u' '));
    EXPECT_FALSE(ReadLegacyRecord(*table, r)); // the end marker is never read as a record
}

TEST_F(Table, RecordCountBoundsTheRecordsRead) {
    write({entry("1", "a"), entry("2", "b"), entry("3", "c")});
    QByteArray b = bytes(TableFile);
    const struct {
        int32_t count;
        int expected;
    } cases[] = {{3, 3},
                 {2, 2},
                 {0, 0},
                 {9, 3}, // 9: the table ends early
                         // A count with its top bit set is a large count, not a
                         // negative one: the file's records are read.
                 {-5, 3},
                 {INT32_MIN, 3}};
    for (const auto& c : cases) {
        for (int i = 0; i < 4; ++i)
            b[4 + i] = static_cast<char>((static_cast<uint32_t>(c.count) >> (8 * i)) & 0xFF);
        put(TableFile, b);
        EXPECT_EQ(readIds().size(), c.expected) << c.count;
    }
}

TEST_F(Table, OtherLayoutsAndTruncatedHeadersAreRefusedByName) {
    write({entry("1", "a")});
    const QByteArray good = bytes(TableFile);
    const auto refusal = [&](const QByteArray& file) -> QString {
        put(TableFile, file);
        try {
            OpenLegacyTable(folder());
        } catch (const LegacyError& e) {
            return e.text();
        }
        return {};
    };
    QByteArray b = good;
    setU16(b, 8, 353);
    EXPECT_TRUE(refusal(b).contains(QStringLiteral("header length of 353")));
    b = good;
    setU16(b, 10, 130);
    const QString text = refusal(b);
    EXPECT_TRUE(text.contains(QStringLiteral("record length of 130")));
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(path(TableFile)))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Nothing was imported")));
    EXPECT_TRUE(refusal(good.left(200)).contains(QStringLiteral("shorter than")));
    EXPECT_TRUE(refusal(good).isEmpty());
}

} // namespace
