// The program's command line as a script meets it, without a display: the
// usage, the version, a wrong command line (a one-line error, the usage,
// status 2) and the jobs, which run without ever needing a window system
// (a crash for want of one would be status -1 or 134).

#include "program_run.h"

#include <QRegularExpression>
#include <QTemporaryDir>

TEST(CommandLineTest, EveryOptionIsReadWithoutADisplay) {
    for (const char* help : {"-h", "--help", "-help"}) {
        const ProgramRun run = runProgram({QLatin1String(help)});
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_TRUE(run.out.startsWith("Usage: tolvane [FOLDER | URI]\n")) << help;
        EXPECT_TRUE(run.err.isEmpty()) << help << run.err.toStdString();
    }
    const ProgramRun version = runProgram({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^tolvane \\d+\\.\\d+\\.\\d+\n$"))
                    .match(QString::fromUtf8(version.out))
                    .hasMatch())
        << version.out.toStdString();

    struct Wrong {
        QStringList arguments;
        const char* error;
    };
    for (const Wrong& c :
         {Wrong{{"--bogus"}, "tolvane: Unknown option 'bogus'."},
          Wrong{{"-x", "folder"}, "tolvane: Unknown option 'x'."},
          Wrong{{"--export", "register"}, "tolvane: --export takes two operands, not 1."},
          Wrong{{"--export", "--backup", "a", "b"},
                "tolvane: --export and --backup cannot be given together."},
          Wrong{{"one", "two"}, "tolvane: one register at a time: 'two' is one too many."}}) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const ProgramRun run = runProgram(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith(QLatin1String(c.error) + QStringLiteral("\nUsage: ")))
            << run.err.toStdString();
    }

    // Each job runs and fails on a folder that holds no register.
    QTemporaryDir folder;
    const QString none = folder.filePath(QStringLiteral("none"));
    for (const char* job : {"--export", "--backup", "--copy-register"}) {
        const ProgramRun run =
            runProgram({QLatin1String(job), none, folder.filePath(QStringLiteral("out"))});
        EXPECT_EQ(run.status, 1) << job << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tolvane: "))) << job;
    }
}
