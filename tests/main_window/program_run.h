#pragma once
// Runs the built program the way a script or a terminal without a window
// system does: no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM.

#include <QProcess>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

/// What a run of the program showed.
struct ProgramRun {
    int status = -1;
    QByteArray out;
    QString err;
};

/// Runs the program with `arguments` and no display; `inChild` runs in the
/// child before the program starts (to give it another standard output).
inline ProgramRun runProgram(const QStringList& arguments, std::function<void()> inChild = {}) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    program.setProcessEnvironment(env);
    if (inChild)
        program.setChildProcessModifier(inChild);
    program.start(QStringLiteral(TOLVANE_PROGRAM), arguments);
    EXPECT_TRUE(program.waitForFinished(60000));
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            program.readAllStandardOutput(),
            QString::fromLocal8Bit(program.readAllStandardError())};
}
