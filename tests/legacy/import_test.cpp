// The import into a register: the field mapping, types created once per
// name (quotes, case, trailing blanks), deleted records skipped, dates on
// any locale and time zone, notes in memo files past 32 MB read whole,
// short tables and missing notes reported as warnings, damaged files
// refused, and every failure leaving the database as it was and the legacy
// files untouched.

#include "legacy/legacy_error.h"
#include "legacy/legacy_import.h"
#include "legacy_files.h"
#include "store/engine_error.h"
#include "store/value.h"

#include <QDate>
#include <cstdlib>
#include <ctime>

using namespace legacy;

namespace {

class Import : public LegacyFolder {
protected:
    void SetUp() override {
        LegacyFolder::SetUp();
        db = store::Database::create(dir.filePath(QStringLiteral("Veld.MDB")));
    }
    LegacyImportResult run(LegacyProgress* progress = nullptr) {
        return ConvertLegacyFiles(db, folder(), progress);
    }
    QVariantList docs(const char* field) {
        return columnOf(db, QStringLiteral("SELECT * FROM Documents ORDER BY RecordPtr"),
                        QLatin1String(field));
    }
    QVariantList types(const char* field) {
        return columnOf(db, QStringLiteral("SELECT * FROM Types ORDER BY RecordPtr"),
                        QLatin1String(field));
    }
    QString failure() {
        try {
            run();
        } catch (const LegacyError& e) {
            return e.text();
        }
        return {};
    }
    store::Database db;
};

TEST_F(Import, FieldsAreMappedTrimmedOnTheRightOnly) {
    LegacyEntry e = entry(QStringLiteral(" 0042"), QStringLiteral("  Lease, warehouse   "),
                          QStringLiteral("Contract  "), QStringLiteral("  Two lines\nof note   "));
    e.dateAdded = QStringLiteral("19990101");
    e.dateChanged = QStringLiteral("19991301"); // no date
    e.who = QStringLiteral(" Jörg Müller ");
    write({e});
    const LegacyImportResult r = run();
    EXPECT_EQ(r.scan.delivered, 1);
    EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join('\n').toStdString();
    auto rs =
        db.openRecordset(QStringLiteral("SELECT * FROM Documents"), store::RecordsetType::Snapshot);
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->field("ID").toInt(), 42);
    EXPECT_EQ(rs->field("Description").toString(), QStringLiteral("  Lease, warehouse"));
    EXPECT_EQ(store::dateOf(rs->field("Date")), QDate(1999, 3, 15));
    EXPECT_EQ(store::dateOf(rs->field("DateAdded")), QDate(1999, 1, 1));
    EXPECT_TRUE(store::isNull(rs->field("DateChanged")));
    EXPECT_EQ(rs->field("Who").toString(), QString::fromUtf8(" Jörg Müller"));
    EXPECT_EQ(rs->field("Note").toString(), QStringLiteral("  Two lines\nof note"));
    EXPECT_EQ(rs->field("DocumentType").toInt(), types("RecordPtr").value(0).toInt());
    EXPECT_EQ(types("Type"), QVariantList{QStringLiteral("Contract")}); // stored trimmed
}

TEST_F(Import, TypesAreCreatedOncePerNameAndDeletedRecordsSkipped) {
    QList<LegacyEntry> entries = {
        entry("1", "a", "Invoice"), entry("2", "b", "Client's"), entry("3", "c", ""),
        entry("4", "d", "Invoice"), entry("5", "e", "Client's"), entry("6", "f", "INVOICE"),
        entry("7", "g", "Letter"),  entry("8", "h", "O''Brien"), entry("9", "i", "Existing"),
    };
    entries[6].deleted = true; // its type is never created
    write(entries);
    db.execute(QStringLiteral("INSERT INTO Types (Type) VALUES ('Existing')"));
    const LegacyImportResult r = run();
    EXPECT_EQ(r.scan.found, 9);
    EXPECT_EQ(r.scan.deleted, 1);
    EXPECT_EQ(r.typesCreated, 3);
    EXPECT_EQ(types("Type"), (QVariantList{"Existing", "Invoice", "Client's", "O''Brien"}));
    const QVariantList ptr = types("RecordPtr");
    // The name comparison is the engine's own: "INVOICE" is the type "Invoice".
    EXPECT_EQ(docs("DocumentType"),
              (QVariantList{ptr[1], ptr[2], 0, ptr[1], ptr[2], ptr[1], ptr[3], ptr[0]}));
    EXPECT_EQ(docs("ID"), (QVariantList{1, 2, 3, 4, 5, 6, 8, 9}));
}

TEST_F(Import, DatesDoNotDependOnLocaleOrTimeZone) {
    LegacyEntry e = entry("1", "a");
    e.dateAdded = QStringLiteral("19991231");
    write({e});
    const char* zones[] = {"Pacific/Kiritimati", "America/Adak", "UTC"};
    const char* locales[] = {"de_DE.UTF-8", "en_US.UTF-8", "C"};
    const QByteArray oldTz = qgetenv("TZ"), oldLc = qgetenv("LC_ALL");
    for (int i = 0; i < 3; ++i) {
        qputenv("TZ", zones[i]);
        qputenv("LC_ALL", locales[i]);
        tzset();
        db.execute(QStringLiteral("DELETE FROM Documents"));
        run();
        EXPECT_EQ(docs("Date").value(0).toDateTime(),
                  QDateTime(QDate(1999, 3, 15), QTime(0, 0), Qt::UTC))
            << zones[i];
        EXPECT_EQ(store::dateOf(docs("DateAdded").value(0)), QDate(1999, 12, 31)) << zones[i];
    }
    qputenv("TZ", oldTz);
    qputenv("LC_ALL", oldLc);
    tzset();
}

TEST_F(Import, WholeLongNotesAndWindows1252Text) {
    const QString longNote = QString::fromUtf8("Façade № ") +
                             QString::fromUtf8("Grüße aus Köln, 3 € — ").repeated(120) + "end";
    write({entry("1", "Zoë", "Café", longNote), entry("2", "short", "", QString(300, u'x'))});
    run();
    const QVariantList notes = docs("Note");
    // "№" is not in Windows-1252: the writer stores '?', everything else survives.
    EXPECT_EQ(notes.value(0).toString(), QString(longNote).replace(QChar(0x2116), u'?'));
    EXPECT_GT(notes.value(0).toString().size(), 2000);
    EXPECT_EQ(notes.value(1).toString().size(), 300);
    EXPECT_EQ(docs("Description").value(0).toString(), QString::fromUtf8("Zoë"));
    EXPECT_EQ(types("Type"), QVariantList{QString::fromUtf8("Café")});
}

TEST_F(Import, LegacyFilesAreByteForByteUnchanged) {
    write({entry("1", "a", "Invoice", "note"), entry("2", "b")});
    const QByteArray before = fingerprint();
    const QDateTime modified = QFileInfo(path(TableFile)).lastModified();
    run();
    EXPECT_EQ(fingerprint(), before);
    EXPECT_EQ(QFileInfo(path(TableFile)).lastModified(), modified);
    // Also after a refused import.
    QByteArray b = bytes(TableFile);
    b[10] = 0;
    put(TableFile, b);
    const QByteArray damaged = fingerprint();
    EXPECT_FALSE(failure().isEmpty());
    EXPECT_EQ(fingerprint(), damaged);
}

TEST_F(Import, ShortTableFilesWhatIsThereAndSaysSo) {
    write({entry("1", "a", "T1"), entry("2", "b", "T2"), entry("3", "c", "T3"),
           entry("4", "d", "T4"), entry("5", "e", "T5")});
    put(TableFile, bytes(TableFile).left(HeaderLength + 3 * RecordLength + 50));
    const LegacyImportResult r = run();
    EXPECT_EQ(r.scan.announced, 5);
    EXPECT_EQ(r.scan.found, 3);
    EXPECT_EQ(docs("ID"), (QVariantList{1, 2, 3}));
    ASSERT_EQ(r.warnings.size(), 1);
    EXPECT_TRUE(
        r.warnings[0].contains(QStringLiteral("the header announced 5 records, 3 were found")))
        << r.warnings[0].toStdString();
}

TEST_F(Import, ACountBeyondTheFileFilesItsRecordsAndSaysSo) {
    write({entry("1", "a"), entry("2", "b"), entry("3", "c")});
    QByteArray b = bytes(TableFile);
    b[4] = 0;
    b[7] = static_cast<char>(0x80); // the count reads 0x80000000
    put(TableFile, b);
    const LegacyImportResult r = run();
    EXPECT_EQ(docs("ID"), (QVariantList{1, 2, 3}));
    ASSERT_EQ(r.warnings.size(), 1);
    EXPECT_TRUE(r.warnings[0].contains(
        QStringLiteral("the header announced 2147483648 records, 3 were found")))
        << r.warnings[0].toStdString();
}

TEST_F(Import, MissingOrBrokenNotesImportEmptyWithAWarning) {
    auto withBadRef = entry("3", "c");
    withBadRef.memoField = QStringLiteral("99999");
    write({entry("1", "a", "", "first note"), entry("2", "b"), withBadRef});
    LegacyImportResult r = run();
    EXPECT_EQ(docs("Note"), (QVariantList{"first note", "", ""}));
    ASSERT_EQ(r.warnings.size(), 1);
    EXPECT_TRUE(r.warnings[0].startsWith(QStringLiteral("1 notes could not be found")));

    db.execute(QStringLiteral("DELETE FROM Documents"));
    ASSERT_TRUE(QFile::remove(path(MemoFile)));
    r = run();
    EXPECT_EQ(docs("Note"), (QVariantList{"", "", ""}));
    EXPECT_EQ(r.scan.delivered, 3);
    ASSERT_EQ(r.warnings.size(), 1);
    EXPECT_TRUE(r.warnings[0].contains(QStringLiteral("the file is missing")));
}

TEST_F(Import, NotesBeyondBlock32767ArriveWhole) {
    // 40,000 notes of a block each: a memo file of 41 MB, blocks 1 to 40,000.
    const int count = 40000;
    const auto noteOf = [](int k) { return QStringLiteral("note of block %1").arg(k); };
    QList<LegacyEntry> entries;
    for (int k = 1; k <= count; ++k)
        entries << entry(QString::number(k), "doc", "", noteOf(k));
    LegacyEntry pastTheEnd = entry("0", "past the end");
    pastTheEnd.memoField = QString::number(count + 1);
    entries << pastTheEnd;
    write(entries);
    ASSERT_EQ(QFileInfo(path(MemoFile)).size(), (count + 1) * qint64{MemoBlockSize});

    const LegacyImportResult r = run();
    const QVariantList notes = docs("Note");
    ASSERT_EQ(notes.size(), count + 1);
    int wrong = 0, firstWrong = 0;
    for (int k = 1; k <= count; ++k)
        if (notes[k - 1].toString() != noteOf(k) && ++wrong == 1)
            firstWrong = k;
    EXPECT_EQ(wrong, 0) << "the first wrong note is that of block " << firstWrong;
    EXPECT_EQ(notes[count].toString(), QString());
    ASSERT_EQ(r.warnings.size(), 1); // only the reference past the end
    EXPECT_TRUE(r.warnings[0].startsWith(QStringLiteral("1 notes could not be found")))
        << r.warnings[0].toStdString();
}

TEST_F(Import, AnyFailureLeavesTheDatabaseAsItWas) {
    QList<LegacyEntry> entries;
    for (int i = 1; i <= 2500; ++i)
        entries << entry(QString::number(i), "doc", QStringLiteral("T%1").arg(i % 7), "n");
    write(entries);
    // The database refuses document 2300, after two progress steps.
    db.execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Documents "
                              "WHEN NEW.ID = 2300 BEGIN SELECT RAISE(ABORT, 'disk trouble'); END"));
    struct Counting : LegacyProgress {
        void step(int) override { ++steps; }
        void end() override { ++ends; }
        int steps = 0, ends = 0;
    } progress;
    QString text;
    try {
        run(&progress);
    } catch (const LegacyError& e) {
        text = e.text();
    }
    EXPECT_TRUE(text.contains(QStringLiteral("disk trouble"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Nothing was imported")));
    EXPECT_EQ(progress.steps, 2);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(countOf(db, "Documents"), 0);
    EXPECT_EQ(countOf(db, "Types"), 0);

    // A damaged header is refused before anything is filed.
    db.execute(QStringLiteral("DROP TRIGGER refuse"));
    QByteArray b = bytes(TableFile);
    b[8] = 0x40; // header length 320
    put(TableFile, b);
    EXPECT_TRUE(failure().contains(QDir::toNativeSeparators(path(TableFile))));
    EXPECT_EQ(countOf(db, "Documents"), 0);
}

} // namespace
