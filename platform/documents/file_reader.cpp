// Reading stored files through the helper program tolvane-reader (see
// file_reader.h and reader_protocol.h).
//
// The helper is started with fork and execve, no shell, with an
// environment of its own and these limits set between the two: its address
// space (RLIMIT_AS), its processor time (RLIMIT_CPU), no file written
// (RLIMIT_FSIZE 0, SIGXFSZ ignored so a write fails instead of ending it),
// no core file, no new privileges, and an end when the program ends
// (PR_SET_PDEATHSIG). It talks over one socket as its standard input and
// output (a socket, so that a helper gone early makes a send fail instead
// of raising SIGPIPE in the program); its errors go to /dev/null. The
// program waits for its reply at most the wall time allowed and then kills
// its process group. Everything the child needs is made before fork: a
// program with threads may do nothing but system calls between fork and
// exec.

#include "file_reader.h"

#include "reader_protocol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace documents {

namespace {

using protocol::Reply;

constexpr char helperName[] = "tolvane-reader";

/// The helper lies beside this library, in the build tree as installed.
QString helperPath() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<const void*>(&helperPath), &info) || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath() + '/' +
           QLatin1String(helperName);
}

Reply failedWith(ReadOutcome outcome, const QString& note) {
    Reply reply;
    reply.outcome = outcome;
    reply.note = note;
    return reply;
}

/// What the child needs, made before fork.
struct Launch {
    QByteArray program;
    std::vector<QByteArray> environment;
    std::vector<char*> argv;
    std::vector<char*> envp;
    rlimit memory{}, cpu{}, fileSize{}, core{};

    Launch(const QString& path, const ReadLimits& limits) : program(QFile::encodeName(path)) {
        environment.push_back("LANG=C.UTF-8");
        environment.push_back("OMP_THREAD_LIMIT=1");
        for (const char* passed : {"HOME", "TESSDATA_PREFIX", "XDG_CACHE_HOME", "FONTCONFIG_PATH"})
            if (qEnvironmentVariableIsSet(passed))
                environment.push_back(QByteArray(passed) + '=' + qgetenv(passed));
        argv = {program.data(), nullptr};
        for (QByteArray& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        const auto bytes = rlim_t(std::max<qint64>(limits.memoryBytes, 64 << 20));
        memory = {bytes, bytes};
        const auto seconds = rlim_t(std::max(limits.seconds, 1));
        cpu = {seconds, seconds + 1};
        fileSize = {0, 0};
        core = {0, 0};
    }

    /// In the child: never returns.
    [[noreturn]] void exec(int socket, int devnull) const {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
        if (::dup2(socket, STDIN_FILENO) < 0 || ::dup2(socket, STDOUT_FILENO) < 0 ||
            ::dup2(devnull, STDERR_FILENO) < 0)
            ::_exit(127);
        ::close_range(3, ~0U, 0);
        if (::setrlimit(RLIMIT_AS, &memory) != 0 || ::setrlimit(RLIMIT_CPU, &cpu) != 0 ||
            ::setrlimit(RLIMIT_FSIZE, &fileSize) != 0 || ::setrlimit(RLIMIT_CORE, &core) != 0)
            ::_exit(127);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGXFSZ, SIG_IGN);
        ::signal(SIGPIPE, SIG_DFL);
        ::execve(program.constData(), argv.data(), envp.data());
        ::_exit(127);
    }
};

/// A descriptor that closes itself.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int d = -1) : fd(d) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

bool sendAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t put =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        sent += put;
    }
    return true;
}

/// Reads the helper's reply until it closes its end, `deadline` passes
/// (false), `cancel` turns true (false) or more than `most` bytes come
/// (false).
bool receive(int fd, QByteArray& reply, const QElapsedTimer& clock, qint64 deadline, qsizetype most,
             const std::atomic<bool>* cancel) {
    char buffer[65536];
    for (;;) {
        const qint64 left = deadline - clock.elapsed();
        if (left <= 0 || (cancel && cancel->load()))
            return false;
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, int(std::min<qint64>(left, 100)));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return got == 0;
        if (reply.size() + got > most)
            return false;
        reply.append(buffer, got);
    }
}

/// Waits for the helper's end until `deadline`, then kills it; returns its
/// wait status and whether it had to be killed.
int reap(pid_t pid, const QElapsedTimer& clock, qint64 deadline, bool& killed) {
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (done < 0 && errno != EINTR)
            return 0;
        if (clock.elapsed() >= deadline)
            break;
        ::usleep(2000);
    }
    killed = true;
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

Reply run(const protocol::Request& request, const ReadLimits& limits, QSize largest) {
    const QString program = helperPath();
    if (program.isEmpty() || ::access(QFile::encodeName(program).constData(), X_OK) != 0)
        return failedWith(ReadOutcome::NoReader,
                          QStringLiteral("The reader program %1 is missing: the installation is "
                                         "incomplete.")
                              .arg(program.isEmpty() ? QLatin1String(helperName) : program));
    const Launch launch(program, limits);
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return failedWith(ReadOutcome::Unreadable,
                          QStringLiteral("The reader program cannot be started."));
    Descriptor ours(sockets[0]), theirs(sockets[1]);
    const Descriptor devnull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0)
        launch.exec(theirs.fd, devnull.fd);
    if (pid < 0)
        return failedWith(ReadOutcome::Unreadable,
                          QStringLiteral("The reader program cannot be started."));
    ::close(theirs.fd);
    theirs.fd = -1;

    const qint64 deadline = qint64(std::max(limits.seconds, 1)) * 1000;
    const qsizetype most = 200 + protocol::maxNoteBytes +
                           std::max<qsizetype>(protocol::maxTextBytes,
                                               qsizetype(largest.width()) * largest.height() * 4);
    QByteArray bytes;
    bool complete = sendAll(ours.fd, protocol::encodeRequest(request));
    ::shutdown(ours.fd, SHUT_WR);
    complete = complete && receive(ours.fd, bytes, clock, deadline, most, limits.cancel);
    bool killed = false;
    // A reply is whole once the helper closed its end; it is given a
    // moment to exit after that.
    const int status = reap(pid, clock, complete ? clock.elapsed() + 2000 : 0, killed);
    if (limits.cancel && limits.cancel->load())
        return failedWith(ReadOutcome::OverLimits, QStringLiteral("Reading it was stopped."));
    const bool timedOut = !complete && clock.elapsed() >= deadline;
    if (timedOut || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) ||
        (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL && !killed))
        return failedWith(ReadOutcome::OverLimits,
                          QStringLiteral("Reading it took longer than allowed (%1 s).")
                              .arg(std::max(limits.seconds, 1)));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && bytes.isEmpty())
        return failedWith(ReadOutcome::NoReader,
                          QStringLiteral("The reader program %1 cannot be started.").arg(program));
    if (complete && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        if (std::optional<Reply> reply = protocol::parseReply(bytes, largest))
            return *reply;
    return failedWith(ReadOutcome::Unreadable,
                      QStringLiteral("The file is damaged, or reading it needs more memory than "
                                     "allowed."));
}

} // namespace

TextRead readText(const QString& path, const QString& name, const ReadLimits& limits) {
    protocol::Request request;
    request.job = protocol::Job::Text;
    request.path = QFileInfo(path).absoluteFilePath();
    request.name = name;
    request.pages = std::max(limits.pages, 1);
    Reply reply = run(request, limits, QSize());
    return {reply.outcome, std::move(reply.text), std::move(reply.note)};
}

PreviewRead readPreview(const QString& path, const QString& name, QSize size,
                        const ReadLimits& limits) {
    const QSize largest = size.boundedTo(QSize(protocol::maxPictureSide, protocol::maxPictureSide));
    if (largest.isEmpty())
        return {ReadOutcome::Unreadable, QImage(),
                QStringLiteral("There is no room for a preview.")};
    protocol::Request request;
    request.job = protocol::Job::Preview;
    request.path = QFileInfo(path).absoluteFilePath();
    request.name = name;
    request.size = largest;
    request.pages = 1;
    Reply reply = run(request, limits, largest);
    if (reply.outcome == ReadOutcome::Done && reply.image.isNull())
        return {ReadOutcome::Unreadable, QImage(), QStringLiteral("The file shows no picture.")};
    return {reply.outcome, std::move(reply.image), std::move(reply.note)};
}

bool canReadScans() {
    static std::once_flag probed;
    static bool ready = false;
    std::call_once(probed, [] {
        protocol::Request request;
        request.job = protocol::Job::Probe;
        ReadLimits limits;
        limits.seconds = 20;
        ready = run(request, limits, QSize()).outcome == ReadOutcome::Done;
    });
    return ready;
}

} // namespace documents
