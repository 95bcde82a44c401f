#include "support/FileReplace.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <mutex>
#include <random>
#include <vector>

#include "support/OutputFile.h"
#include "support/Failure.h"
#include "support/ScriptOutput.h"

namespace support {

namespace {

// Links are followed this many times at most, as the system itself does.
constexpr int kMaxLinkHops = 40;
constexpr int kTemporaryAttempts = 100;

[[noreturn]] void fail(int error) { throw Failure(writeFailureReason(error)); }

// A write beyond the file-size limit (ulimit -f) would otherwise end the process and
// leave its temporary behind; ignored, the write fails with EFBIG and is reported.
void ignoreFileSizeSignal() {
    static const bool ignored = ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    (void)ignored;
}

bool sameFile(const struct stat& a, int fd) {
    struct stat b {};
    return ::fstat(fd, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name a chain of symbolic links ends at, whether or not a file is there yet.
std::string linkTarget(const std::string& path) {
    std::string name = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat status {};
        if (::lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return name;
        std::vector<char> target(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) + 1);
        const ssize_t length = ::readlink(name.c_str(), target.data(), target.size());
        if (length < 0) fail(errno);
        if (static_cast<std::size_t>(length) == target.size()) fail(ENAMETOOLONG);  // the link changed meanwhile
        std::string next(target.data(), static_cast<std::size_t>(length));
        const std::size_t slash = name.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next = name.substr(0, slash + 1) + next;
        name = std::move(next);
    }
    fail(ELOOP);
}

// Writes through a descriptor of the target itself: devices and pipes.
void writeInPlace(const std::string& path, std::string_view bytes) {
    const int fd = openForWriting(path, false);
    if (fd < 0) fail(errno);
    int error = writeAll(fd, bytes) ? 0 : errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) fail(error);
}

std::string temporaryName() {
    thread_local std::minstd_rand draw{std::random_device{}()};
    const unsigned number = std::uniform_int_distribution<unsigned>(0, 999999)(draw);
    char name[16];
    std::snprintf(name, sizeof name, ".~%06u.tmp", number);
    return name;
}

// A termination signal that arrives while temporaries are being written removes them
// before it ends the process. Only signals whose action is still the default (ending the
// process) are caught, and only while a write is under way; a program that handles one
// itself (tala's Ctrl-C at a terminal) keeps it, and its write goes on to the rename.
constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr std::size_t kEndingSignalCount = sizeof kEndingSignals / sizeof kEndingSignals[0];

// The temporaries being written, one slot each, read by the handler: a slot's name is
// set before its folder, and the folder cleared first.
struct TemporarySlot {
    std::atomic<bool> taken{false};
    std::atomic<int> folder{-1};
    char name[16] = {};
};
constexpr std::size_t kTemporarySlots = 16;  // more writes at once go unguarded
TemporarySlot temporarySlots[kTemporarySlots];

extern "C" void removeTemporariesAndEnd(int signal) {
    const int savedErrno = errno;
    for (TemporarySlot& slot : temporarySlots) {
        const int folder = slot.folder.load();
        if (folder >= 0) ::unlinkat(folder, slot.name, 0);
    }
    // The default action, taken once the handler returns: the process ends of this signal.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

// Installs the handler for the ending signals left at their default while any write is
// under way, and puts the defaults back after the last one.
class SignalWatch {
public:
    SignalWatch() {
        const std::lock_guard<std::mutex> lock(mutex());
        if (writers()++ > 0) return;
        for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
            struct sigaction current {};
            installed()[i] = ::sigaction(kEndingSignals[i], nullptr, &current) == 0 &&
                             (current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL;
            if (!installed()[i]) continue;
            struct sigaction action {};
            action.sa_handler = removeTemporariesAndEnd;
            sigemptyset(&action.sa_mask);
            for (const int other : kEndingSignals) sigaddset(&action.sa_mask, other);
            action.sa_flags = SA_RESTART;
            ::sigaction(kEndingSignals[i], &action, nullptr);
        }
    }
    ~SignalWatch() {
        const std::lock_guard<std::mutex> lock(mutex());
        if (--writers() > 0) return;
        for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
            struct sigaction current {};
            // Only where the handler is still this one: a program may have set its own meanwhile.
            if (!installed()[i] || ::sigaction(kEndingSignals[i], nullptr, &current) != 0 ||
                current.sa_handler != removeTemporariesAndEnd)
                continue;
            struct sigaction fallback {};
            fallback.sa_handler = SIG_DFL;
            sigemptyset(&fallback.sa_mask);
            ::sigaction(kEndingSignals[i], &fallback, nullptr);
        }
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static int& writers() {
        static int count = 0;
        return count;
    }
    static bool* installed() {
        static bool flags[kEndingSignalCount] = {};
        return flags;
    }
};

// The ending signals held back on this thread while a temporary is made or renamed, so
// that the handler never sees a slot that does not match the folder.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kEndingSignals) sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &saved_);
    }
    ~EndingSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
    sigset_t saved_{};
};

// The slot of one temporary, for as long as it may be on the disk.
class TemporaryRecord {
public:
    TemporaryRecord() {
        for (TemporarySlot& slot : temporarySlots)
            if (!slot.taken.exchange(true)) {
                slot_ = &slot;
                return;
            }
    }
    ~TemporaryRecord() {
        forget();
        if (slot_ != nullptr) slot_->taken.store(false);
    }
    TemporaryRecord(const TemporaryRecord&) = delete;
    TemporaryRecord& operator=(const TemporaryRecord&) = delete;
    void note(int folder, const std::string& name) {
        if (slot_ == nullptr) return;
        std::snprintf(slot_->name, sizeof slot_->name, "%s", name.c_str());
        slot_->folder.store(folder);
    }
    void forget() {
        if (slot_ != nullptr) slot_->folder.store(-1);
    }

private:
    TemporarySlot* slot_ = nullptr;
};

class FolderHandle {
public:
    explicit FolderHandle(const std::string& folder)
        : fd_(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) fail(errno);
    }
    ~FolderHandle() { ::close(fd_); }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Writes `bytes` to a temporary in the final file's folder and renames it over the file.
void replaceRegular(const std::string& finalName, const struct stat* old, std::string_view bytes,
                    mode_t newFileMode) {
    const std::size_t slash = finalName.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : finalName.substr(0, slash);
    const std::string base = slash == std::string::npos ? finalName : finalName.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") fail(EISDIR);

    const FolderHandle dir(folder);
    const SignalWatch watch;
    TemporaryRecord record;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kTemporaryAttempts; ++attempt) {
        temporary = temporaryName();
        const EndingSignalsHeld held;
        fd = ::openat(dir.fd(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
        if (fd >= 0) record.note(dir.fd(), temporary);
        else if (errno != EEXIST && errno != EINTR) fail(errno);
    }
    if (fd < 0) fail(EEXIST);

    int error = 0;
    if (old != nullptr) {
        // The owner only where the process may set it; the mode always.
        if (::fchown(fd, old->st_uid, old->st_gid) != 0) (void)!::fchown(fd, static_cast<uid_t>(-1), old->st_gid);
        if (::fchmod(fd, old->st_mode & 07777) != 0) error = errno;
    }
    if (error == 0 && (!writeAll(fd, bytes) || ::fsync(fd) != 0)) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    const EndingSignalsHeld held;
    if (error == 0 && ::renameat(dir.fd(), temporary.c_str(), dir.fd(), base.c_str()) != 0) error = errno;
    if (error != 0) ::unlinkat(dir.fd(), temporary.c_str(), 0);
    record.forget();
    if (error != 0) fail(error);
}

// open(2), again when a signal cut it short; a name holding a NUL byte is EINVAL.
int openPath(const std::string& path, int flags) {
    if (holdsNulByte(path)) {
        errno = EINVAL;
        return -1;
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string writeFailureReason(int error) {
    std::string reason = std::strerror(error);
    struct rlimit limit {};
    if (error == EFBIG && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        reason += " (the file-size limit is " + std::to_string(limit.rlim_cur) + " bytes)";
    return reason;
}

bool isReplaceTemporary(std::string_view fileName) {
    if (fileName.size() != 12 || fileName.substr(0, 2) != ".~" || fileName.substr(8) != ".tmp") return false;
    for (char c : fileName.substr(2, 6))
        if (c < '0' || c > '9') return false;
    return true;
}

int openForWriting(const std::string& path, bool append) {
    ignoreFileSizeSignal();
    // O_NONBLOCK so that a pipe without a reader is refused at once; writes then block
    // as usual.
    const int fd = openPath(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : O_TRUNC));
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int openForReading(const std::string& path) { return openPath(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC); }

namespace {

// How a whole-file write goes: through this process's own standard output or error,
// in place (devices and pipes), or by a temporary renamed over the final file.
struct WritePlan {
    enum class Way { OwnStream, InPlace, Replace } way = Way::Replace;
    int ownFd = -1;
    std::string finalName;     // Replace: where links end
    bool existed = false;      // Replace: a file is there now, with `old` its status
    struct stat old {};
};

WritePlan planWrite(const std::string& path) {
    if (path.empty()) throw Failure(std::strerror(ENOENT));
    if (holdsNulByte(path)) throw Failure(kNulInFileName);
    WritePlan plan;
    if (::stat(path.c_str(), &plan.old) != 0) {
        if (errno != ENOENT) fail(errno);
        plan.finalName = linkTarget(path);  // a new file, or a dangling link's target
        return plan;
    }
    // This process's own standard output or error (/dev/stdout, say) is written through
    // the descriptor it already has, after what is buffered for it: at its offset, and
    // without cutting it off by a rename. A regular file that standard output is
    // redirected to is one of them: what is written lands among what was printed.
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        if (!sameFile(plan.old, fd)) continue;
        plan.way = WritePlan::Way::OwnStream;
        plan.ownFd = fd;
        return plan;
    }
    if (!S_ISREG(plan.old.st_mode)) {
        plan.way = WritePlan::Way::InPlace;
        return plan;
    }
    plan.finalName = linkTarget(path);
    plan.existed = true;
    // As the shell's ">" would: a file without write permission for this user is refused.
    if (::faccessat(AT_FDCWD, plan.finalName.c_str(), W_OK, AT_EACCESS) != 0) fail(errno);
    return plan;
}

}  // namespace

std::string replaceProblem(const std::string& path) {
    try {
        const WritePlan plan = planWrite(path);
        if (plan.way == WritePlan::Way::OwnStream) return {};
        if (plan.way == WritePlan::Way::InPlace) {
            if (S_ISDIR(plan.old.st_mode)) return std::strerror(EISDIR);
            return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? std::string() : std::strerror(errno);
        }
        const std::size_t slash = plan.finalName.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : plan.finalName.substr(0, slash + 1);
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0) return std::strerror(errno);
        if (!S_ISDIR(status.st_mode)) return std::strerror(ENOTDIR);
        if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return std::strerror(errno);
        return {};
    } catch (const Failure& failure) {
        return failure.what();
    }
}

void replaceFile(const std::string& path, std::string_view bytes, mode_t newFileMode) {
    ignoreFileSizeSignal();
    const WritePlan plan = planWrite(path);
    switch (plan.way) {
        case WritePlan::Way::OwnStream:
            out().flush();
            std::cerr.flush();
            if (!writeAll(plan.ownFd, bytes)) fail(errno);
            return;
        case WritePlan::Way::InPlace: writeInPlace(path, bytes); return;
        case WritePlan::Way::Replace:
            replaceRegular(plan.finalName, plan.existed ? &plan.old : nullptr, bytes, newFileMode);
            return;
    }
}

}  // namespace support
