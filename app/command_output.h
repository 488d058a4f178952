#pragma once
// What every command-line job shares: a line on standard output or error,
// a name for standard output, a count as the jobs write it, and the run of
// a job that turns its failure into a message on standard
// error and the exit status 1 (see register_commands.h).

#include "platform/failure/failure.h"

#include <QFile>
#include <QLocale>
#include <QString>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

inline void print(FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
}

/// Runs a command: its exit status, or 1 after its failure is told on
/// standard error as "tolvane: <prefix><the failure's text>".
template <class Command> int runCommand(const QString& prefix, Command&& command) {
    try {
        return command();
    } catch (const Failure& e) {
        print(stderr, QStringLiteral("tolvane: ") + prefix + e.text());
        return 1;
    }
}

/// Whether `file` names the file standard output already is (/dev/stdout,
/// or the file the shell redirected it to).
inline bool isStandardOutput(const QString& file) {
    struct stat named {
    }, out{};
    return ::stat(QFile::encodeName(file).constData(), &named) == 0 &&
           ::fstat(STDOUT_FILENO, &out) == 0 && named.st_dev == out.st_dev &&
           named.st_ino == out.st_ino;
}

inline QString count(qint64 n) {
    return QLocale::c().toString(n);
}
