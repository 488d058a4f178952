// The command-line jobs on a document's files, run as a script runs them
// on both backends: --attach stores every file or none and changes
// nothing else of the document, --files lists
// them, --extract writes one back byte for byte, replacing a regular file
// whole and never writing through a link; a damaged file, an unknown ID or
// name, a link to attach are failures (status 1) that change nothing.

#include "program_run.h"
#include "support/register_fixture.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

class FileJobs : public RegisterTest {
protected:
    QString where() const { return onServer() ? location() : place.folder(); }
    QString path(const char* name) const { return place.folder() + QLatin1Char('/') + name; }

    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }
    ProgramRun run(QStringList arguments) const {
        arguments.insert(1, where());
        return runProgram(arguments);
    }
    /// --files for the document 7: its lines.
    QStringList listed() const {
        const ProgramRun r = run({QStringLiteral("--files"), QStringLiteral("7")});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
    }
};

TEST_F(FileJobs, AttachListAndExtractAllOrNothing) {
    add({7, QStringLiteral("scans"), QDateTime(QDate(2004, 3, 7), QTime(10, 30), Qt::UTC)});
    db.execute(QStringLiteral("UPDATE Documents SET Who = NULL, Note = NULL"));
    QByteArray binary(300000, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 7 % 251);
    write(path("a b.txt"), "hello");
    write(path("scan.bin"), binary);

    // Refused before anything is stored: a missing file, a link.
    ASSERT_TRUE(QFile::link(path("scan.bin"), path("link.bin")));
    for (const char* bad : {"missing.pdf", "link.bin"}) {
        const ProgramRun r =
            run({QStringLiteral("--attach"), QStringLiteral("7"), path("a b.txt"), path(bad)});
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tolvane: nothing was attached: "))) << bad;
    }
    EXPECT_EQ(run({QStringLiteral("--attach"), QStringLiteral("99"), path("a b.txt")}).status, 1);
    EXPECT_EQ(listed(), QStringList());

    const QString historyBefore =
        query(QStringLiteral("SELECT coalesce(max(HistoryPtr), 0) AS Last FROM DocumentHistory"),
              QStringLiteral("Last"))
            .value(0);
    const ProgramRun attached =
        run({QStringLiteral("--attach"), QStringLiteral("7"), path("a b.txt"), path("scan.bin")});
    ASSERT_EQ(attached.status, 0) << attached.err.toStdString();
    // Nothing of the document changes but its files: Null stays Null, the
    // time of day stays, and the history gains only the files.
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents WHERE Who IS NULL AND Note IS NULL "
                                   "AND Date > #3/7/2004#")),
              QStringList{QStringLiteral("7")});
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM DocumentHistory WHERE HistoryPtr > %1")
                        .arg(historyBefore),
                    QStringLiteral("Action")),
              QStringList(2, QStringLiteral("File attached")));
    const QStringList lines = listed();
    ASSERT_EQ(lines.size(), 2) << lines.join(u'|').toStdString();
    const QString sha =
        QString::fromLatin1(QCryptographicHash::hash(binary, QCryptographicHash::Sha256).toHex());
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("5\t"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\ta b.txt"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("300000\t") + sha + u'\t'));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\tscan.bin")));

    // Into a new file, over a regular file, to standard output.
    write(path("old.bin"), "old");
    for (const char* out : {"new.bin", "old.bin"}) {
        const ProgramRun r = run({QStringLiteral("--extract"), QStringLiteral("7"),
                                  QStringLiteral("scan.bin"), path(out)});
        EXPECT_EQ(r.status, 0) << out << r.err.toStdString();
        EXPECT_EQ(read(path(out)), binary) << out;
    }
    const ProgramRun piped =
        run({QStringLiteral("--extract"), QStringLiteral("7"), QStringLiteral("a b.txt"), "-"});
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, QByteArray("hello"));

    // Never through a link, never an unknown name; a damaged file (a chunk
    // gone) is reported and the file named stays as it was.
    write(path("target"), "kept");
    ASSERT_TRUE(QFile::link(path("target"), path("link.out")));
    write(path("out.txt"), "kept");
    db.execute(QStringLiteral("UPDATE FileChunks SET Seq = Seq + 1000"));
    for (const auto& [name, out] : {std::pair{"a b.txt", "link.out"}, std::pair{"nope", "out.txt"},
                                    std::pair{"scan.bin", "out.txt"}}) {
        const ProgramRun r =
            run({QStringLiteral("--extract"), QStringLiteral("7"), QLatin1String(name), path(out)});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tolvane: the file was not extracted: ")))
            << r.err.toStdString();
    }
    EXPECT_EQ(read(path("target")), QByteArray("kept"));
    EXPECT_EQ(read(path("out.txt")), QByteArray("kept"));

    const ProgramRun wrong = runProgram({QStringLiteral("--attach"), where(), QStringLiteral("7")});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.err.startsWith(
        QStringLiteral("tolvane: --attach takes at least three operands, not 2.\n")));
}

} // namespace
