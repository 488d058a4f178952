#pragma once
// Starting, killing and waiting for helper processes in the stress and crash
// tests. A ChildProcess is the stress_worker program started by fork+exec
// with the given arguments; the tests kill it with SIGKILL at chosen moments
// to see what a sudden end leaves behind. Header-only; costs one fork each.

#include <QFile>
#include <QString>
#include <QStringList>
#include <chrono>
#include <csignal>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace stress {

class ChildProcess {
public:
    /// Starts `program` with `args`; its output goes to the test's output.
    ChildProcess(const QString& program, const QStringList& args) {
        std::vector<std::string> argv{program.toStdString()};
        for (const QString& a : args)
            argv.push_back(a.toStdString());
        pid_ = ::fork();
        if (pid_ == 0) {
            std::vector<char*> raw;
            for (std::string& s : argv)
                raw.push_back(s.data());
            raw.push_back(nullptr);
            ::execv(raw[0], raw.data());
            ::_exit(127);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (running())
            kill();
    }

    bool started() const { return pid_ > 0; }
    bool running() const { return pid_ > 0 && !reaped_; }

    /// SIGKILL and wait for the end.
    void kill() {
        if (!running())
            return;
        ::kill(pid_, SIGKILL);
        wait(std::chrono::seconds(30));
    }

    /// Waits up to `limit` for the end; returns the exit status (128+signal
    /// for a killed process), or -1 when it is still running.
    int wait(std::chrono::milliseconds limit) {
        if (reaped_)
            return status_;
        const auto until = std::chrono::steady_clock::now() + limit;
        for (;;) {
            int st = 0;
            const pid_t r = ::waitpid(pid_, &st, WNOHANG);
            if (r == pid_) {
                reaped_ = true;
                status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
                return status_;
            }
            if (std::chrono::steady_clock::now() >= until)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = -1;
};

/// Waits up to `limit` for `file` to exist (a helper's "ready" mark).
inline bool waitForFile(const QString& file, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!QFile::exists(file)) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace stress
