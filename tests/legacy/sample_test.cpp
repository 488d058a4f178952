// The sample register shipped in samples/legacy: the checked-in dBase files
// are exactly what the writer makes from register.txt (so they are
// regenerated, never edited by hand), and importing them files the live
// records with their types, blank dates, long note and accented text.

#include "legacy/legacy_import.h"
#include "legacy_files.h"
#include "store/value.h"

using namespace legacy;

namespace {

QByteArray sampleFile(const char* name) {
    QFile f(QDir(QStringLiteral(SAMPLE_DIR)).filePath(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Sample : public LegacyFolder {};

TEST_F(Sample, FilesMatchTheTextAndImport) {
    QList<LegacyEntry> entries;
    QString error;
    ASSERT_TRUE(parseLegacyText(QString::fromUtf8(sampleFile("register.txt")), &entries, &error))
        << error.toStdString();
    const LegacyFiles made = buildLegacyFiles(entries);
    EXPECT_EQ(made.table, sampleFile(TableFile)) << "regenerate with make_legacy register.txt";
    EXPECT_EQ(made.memo, sampleFile(MemoFile)) << "regenerate with make_legacy register.txt";

    write(made);
    const auto db = store::Database::create(dir.filePath(QStringLiteral("Veld.MDB")));
    const LegacyImportResult r = ConvertLegacyFiles(db, folder());
    EXPECT_TRUE(r.warnings.isEmpty());
    EXPECT_EQ(r.scan.deleted, 2);
    EXPECT_EQ(countOf(db, "Documents"), r.scan.found - 2);
    const QString sql = QStringLiteral("SELECT * FROM Documents ORDER BY ID");
    const QVariantList notes = columnOf(db, sql, QStringLiteral("Note"));
    int longest = 0;
    for (const QVariant& n : notes)
        longest = std::max(longest, static_cast<int>(n.toString().size()));
    EXPECT_GT(longest, 1016);
    int nullDates = 0;
    for (const QVariant& d : columnOf(db, sql, QStringLiteral("Date")))
        nullDates += store::isNull(d);
    EXPECT_GE(nullDates, 1);
    EXPECT_TRUE(columnOf(db, QStringLiteral("SELECT * FROM Types"), QStringLiteral("Type"))
                    .contains(QStringLiteral("Client's")));
}

} // namespace
