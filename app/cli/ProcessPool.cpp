#include "app/cli/ProcessPool.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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
            ::_exit(tala::interp::writeAll(fds[1], work()) ? 0 : 1);
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
    for (Child& child : running) ::kill(child.pid, SIGTERM);
    for (Child& child : running) reapChild(child);
    if (interrupted) return PoolEnd::Interrupted;
    return broken ? PoolEnd::Broken : PoolEnd::Done;
}

}  // namespace flock
