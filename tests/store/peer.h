#pragma once
// Test helpers shared by the engine-layer tests: a polling wait and Peer, a
// second user in another process (the store_peer program, see
// peer_main.cpp), driven through its stdin and stdout.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <functional>
#include <string>

namespace {

/// Polls `condition` every 10 ms until it holds or `limitMs` has passed.
[[maybe_unused]] bool eventually(const std::function<bool()>& condition, int limitMs = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

/// One store_peer process. Its stdin stays open until release() or the end
/// of the test, so a peer that holds a row keeps it exactly that long.
class Peer {
public:
    explicit Peer(const QStringList& arguments) {
        process_.start(QStringLiteral(STORE_PEER), arguments);
    }
    ~Peer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.closeWriteChannel();
            if (!process_.waitForFinished(5000)) {
                process_.kill();
                process_.waitForFinished();
            }
        }
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    /// The next protocol line, or what came before the peer ended or 10 s
    /// passed.
    std::string readLine() {
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(10000)) {
                return process_.readAll().trimmed().toStdString();
            }
        }
        return process_.readLine().trimmed().toStdString();
    }

    /// Tells a holding peer to let go and waits for it to end; its exit code.
    int release() {
        process_.write("release\n");
        process_.closeWriteChannel();
        process_.waitForFinished(10000);
        return process_.exitCode();
    }

    /// SIGKILL: the peer gets no chance to release anything itself.
    void kill() {
        process_.kill();
        process_.waitForFinished(10000);
    }

private:
    QProcess process_;
};

} // namespace
