#include "app/cli/ProcessPool.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <vector>

#include "support/FileReplace.h"

namespace flock {

namespace {

volatile std::sig_atomic_t interrupted = 0;
extern "C" void noteInterrupt(int) { interrupted = 1; }

// While it lives, Ctrl-C and a termination request only set `interrupted`, and a
// waiting poll returns.
class InterruptWatch {
public:
    InterruptWatch() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = noteInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no restart: poll wakes up
        sigaction(SIGINT, &action, &savedInt_);
        sigaction(SIGTERM, &action, &savedTerm_);
    }
    ~InterruptWatch() {
        sigaction(SIGINT, &savedInt_, nullptr);
        sigaction(SIGTERM, &savedTerm_, nullptr);
    }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    struct sigaction savedInt_ {};
    struct sigaction savedTerm_ {};
};

struct Child {
    pid_t pid = -1;
    int fd = -1;  // the child's answer
    std::size_t task = 0;
    std::string answer;
};

// Forks a child that answers `work()` through a pipe and exits.
std::optional<Child> startChild(const std::function<std::string()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    sigset_t blocked, saved;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    // No signal between the fork and the child's own handlers: the child must die of it.
    sigprocmask(SIG_BLOCK, &blocked, &saved);
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the pool
        if (::getppid() != parent) ::_exit(1);
        sigprocmask(SIG_SETMASK, &saved, nullptr);
        ::close(fds[0]);
        // A key pressed at the terminal would break the work's reading: it reads nothing.
        if (!std::freopen("/dev/null", "r", stdin)) ::_exit(1);
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        try {
            ::_exit(support::writeAll(fds[1], work()) ? 0 : 1);
        } catch (...) {
            ::_exit(1);
        }
    }
    sigprocmask(SIG_SETMASK, &saved, nullptr);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    return Child{pid, fds[0], 0, {}};
}

// Reads what is there; true at the end of the answer.
bool readAnswer(Child& child) {
    char buffer[4096];
    const ssize_t n = ::read(child.fd, buffer, sizeof buffer);
    if (n < 0) return errno != EINTR && errno != EAGAIN;
    if (n == 0) return true;
    child.answer.append(buffer, static_cast<std::size_t>(n));
    return false;
}

// The child's exit, or "" when it ended well.
std::string reapChild(Child& child) {
    ::close(child.fd);
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) return std::string("ended by signal ") + strsignal(WTERMSIG(status));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "ended with status " + std::to_string(WEXITSTATUS(status));
    return {};
}

// Whether the process is stopped (by SIGSTOP, Ctrl-Z or a tracer), as /proc tells.
bool isStopped(pid_t pid) {
    char name[32];
    std::snprintf(name, sizeof name, "/proc/%d/stat", static_cast<int>(pid));
    std::FILE* file = std::fopen(name, "r");
    if (file == nullptr) return false;
    char text[512] = {};
    const std::size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    // "pid (name) S ...": the state follows the last bracket, as a name may hold brackets.
    const char* close = std::strrchr(text, ')');
    if (close == nullptr || close + 2 >= text + length) return false;
    return close[2] == 'T' || close[2] == 't';
}

std::string secondsText(std::chrono::milliseconds span) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(span.count()) / 1000.0);
    return text;
}

// The children still running when the pool stops: each is told to end, a stopped one
// continued so that it can, and one not gone after the grace killed. All are reaped.
void stopChildren(std::vector<Child>& running, const PoolHooks& hooks) {
    auto tell = [&](const Child& child, const std::string& what) {
        if (hooks.forced) hooks.forced(child.task, what);
    };
    for (Child& child : running) {
        ::close(child.fd);
        const bool stopped = isStopped(child.pid);
        ::kill(child.pid, SIGTERM);
        ::kill(child.pid, SIGCONT);
        if (stopped) tell(child, "was stopped: continued (SIGCONT) after the termination request, so that it ends");
    }
    const auto deadline = std::chrono::steady_clock::now() + hooks.grace;
    for (Child& child : running) {
        int status = 0;
        for (;;) {
            const pid_t ended = ::waitpid(child.pid, &status, WNOHANG);
            if (ended == child.pid || (ended < 0 && errno != EINTR)) break;
            if (std::chrono::steady_clock::now() < deadline) {
                ::usleep(10000);
                continue;
            }
            ::kill(child.pid, SIGKILL);
            while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
            }
            tell(child, "did not end within " + secondsText(hooks.grace) +
                            " of the termination request: killed (SIGKILL)");
            break;
        }
    }
    running.clear();
}

}  // namespace

ChildAnswer runInChild(const std::function<std::string()>& work) {
    std::optional<Child> child = startChild(work);
    if (!child) return {0, {}, std::strerror(errno)};
    while (!readAnswer(*child)) {
    }
    std::string ended = reapChild(*child);
    return {0, std::move(child->answer), std::move(ended)};
}

PoolEnd runInChildren(std::size_t count, std::size_t jobs, const PoolHooks& hooks) {
    std::vector<Child> running;
    std::size_t next = 0;
    bool broken = false;
    InterruptWatch watch;
    while ((next < count || !running.empty()) && !interrupted && !broken) {
        while (!interrupted && running.size() < jobs && next < count) {
            const std::size_t task = next;
            std::optional<Child> child = startChild([&] { return hooks.work(task); });
            if (!child) {
                hooks.cannotStart(task, std::strerror(errno));
                broken = true;
                break;
            }
            child->task = next++;
            running.push_back(std::move(*child));
        }
        std::vector<pollfd> waiting;
        for (const Child& child : running) waiting.push_back({child.fd, POLLIN, 0});
        if (::poll(waiting.data(), waiting.size(), 100) < 0 && errno != EINTR) {
            hooks.cannotWait(std::strerror(errno));
            broken = true;
        }
        for (std::size_t i = running.size(); i-- > 0;) {
            if (waiting[i].revents == 0 || !readAnswer(running[i])) continue;
            Child child = std::move(running[i]);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            std::string ended = reapChild(child);
            if (interrupted && !ended.empty()) continue;  // stopped with the pool
            hooks.answered({child.task, std::move(child.answer), std::move(ended)});
        }
        hooks.waited();
    }
    // Interrupted or broken: no child stays behind.
    stopChildren(running, hooks);
    if (interrupted) return PoolEnd::Interrupted;
    return broken ? PoolEnd::Broken : PoolEnd::Done;
}

}  // namespace flock
