#include "support/FileReplace.h"
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include "support/Failure.h"
#include "testsupport/StreamCapture.h"
#include "tests/support/TempFolder.h"
namespace fs = std::filesystem;
using support::replaceFile;
namespace {
using FileReplace = TempFolder;
constexpr uid_t kOtherUser = 65534;  // nobody
constexpr uid_t kSameUser = static_cast<uid_t>(-1);
mode_t modeOf(const std::string& file) {
    struct stat status {};
    return ::lstat(file.c_str(), &status) == 0 ? status.st_mode : 0;
}
// Runs `action` in a child process (as `user` when given); answers its exit status.
int inChild(const std::function<int()>& action, uid_t user = kSameUser) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (user != kSameUser &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0))
            ::_exit(99);
        ::_exit(action());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(FileReplace, WritesANewFileAndReplacesAnEarlierOneWhole) {
    replaceFile(path("a.bin"), std::string("one\0two", 7));
    EXPECT_EQ(fileText(path("a.bin")), std::string("one\0two", 7));
    replaceFile(path("a.bin"), "x");
    EXPECT_EQ(fileText(path("a.bin")), "x");
    // Any name the system accepts: the temporary's name is short whatever the target's.
    const std::string longest(255, 'n');
    replaceFile(path(longest), "long");
    EXPECT_EQ(fileText(path(longest)), "long");
    EXPECT_EQ(listing(), "a.bin;" + longest + ";");
}

// Each reason is known before anything is written, and is the one the write fails with.
TEST_F(FileReplace, AFailureNamesItsReasonLeavesTheEarlierFileAndNoTemporary) {
    fs::create_directories(folder_ / "taken");  // a target that cannot be replaced
    std::ofstream(path("taken/keep.txt")) << "kept";
    for (const auto& [name, reason] : {std::pair{"missing/a.bin", "No such file or directory"},
                                       {"taken", "Is a directory"}, {"taken/keep.txt/a", "Not a directory"}}) {
        EXPECT_EQ(support::replaceProblem(path(name)), reason);
        EXPECT_EQ(failureOf([&] { replaceFile(path(name), "x"); }), reason);
    }
    EXPECT_EQ(failureOf([&] { replaceFile(path(std::string("a\0b", 3)), "x"); }), "file name holds a NUL byte");
    EXPECT_EQ(fileText(path("taken/keep.txt")), "kept");
    EXPECT_EQ(listing(), "taken;");
    EXPECT_EQ(support::replaceProblem(path("new.bin")), "");
    EXPECT_EQ(support::replaceProblem("/dev/null"), "");
}

TEST_F(FileReplace, ALinkStaysALinkAndTheFileItNamesIsReplaced) {
    fs::create_directories(folder_ / "real");
    std::ofstream(path("real/data.csv")) << "old";
    fs::create_symlink("real/data.csv", folder_ / "link.csv");
    fs::create_symlink("link.csv", folder_ / "link2.csv");
    replaceFile(path("link2.csv"), "new");
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.csv") && fs::is_symlink(folder_ / "link2.csv"));
    EXPECT_EQ(fileText(path("real/data.csv")), "new");
    fs::create_symlink("real/fresh.csv", folder_ / "dangling.csv");  // a link to a file not there yet makes that file
    replaceFile(path("dangling.csv"), "made");
    EXPECT_TRUE(fs::is_symlink(folder_ / "dangling.csv"));
    EXPECT_EQ(fileText(path("real/fresh.csv")), "made");
    EXPECT_EQ(listing(), "dangling.csv;link.csv;link2.csv;real;");
    fs::create_symlink("loop", folder_ / "loop");
    EXPECT_EQ(failureOf([&] { replaceFile(path("loop"), "x"); }), "Too many levels of symbolic links");
}

TEST_F(FileReplace, ModesAreKeptAndNewFilesGetTheirOwn) {
    const mode_t mask = ::umask(022);
    std::ofstream(path("secret")) << "token";
    std::ofstream(path("shared")) << "x";
    ::chmod(path("secret").c_str(), 0600);
    ::chmod(path("shared").c_str(), 0664);
    replaceFile(path("secret"), "a");
    replaceFile(path("shared"), "b", support::kPrivateFileMode);
    replaceFile(path("plain"), "c");
    replaceFile(path("private"), "d", support::kPrivateFileMode);
    ::umask(mask);
    for (const auto& [name, mode] :
         {std::pair{"secret", 0600u}, {"shared", 0664u}, {"plain", 0644u}, {"private", 0600u}})
        EXPECT_EQ(modeOf(path(name)) & 07777, mode) << name;
}

TEST_F(FileReplace, AFileTheUserMayNotWriteIsRefusedAsTheShellRefusesIt) {
    std::ofstream(path("locked")) << "root's";
    ::chmod(path("locked").c_str(), 0444);
    ::chmod(folder_.c_str(), 0777);  // anyone may make files beside it
    const bool root = ::geteuid() == 0;
    // 0 when the child's replace fails for the right reason, 1 when it succeeds, 2 when it fails for another.
    const int refused = inChild([&] {
        const std::string failure = failureOf([&] { replaceFile(path("locked"), std::string(100, 'x')); });
        return failure == "Permission denied" ? 0 : failure == "(no failure)" ? 1 : 2;
    }, root ? kOtherUser : kSameUser);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(fileText(path("locked")), "root's");
    EXPECT_EQ(listing(), "locked;");
    if (!root) return;
    ::chown(path("locked").c_str(), kOtherUser, kOtherUser);  // the owner is kept where the process may set it
    replaceFile(path("locked"), "still nobody's");
    struct stat status {};
    ::stat(path("locked").c_str(), &status);
    EXPECT_EQ(status.st_uid, kOtherUser);
    EXPECT_EQ(status.st_mode & 07777, 0444u);
}

TEST_F(FileReplace, DevicesAreWrittenInPlace) {
    if (::geteuid() != 0) GTEST_SKIP() << "making device nodes needs root";
    ASSERT_EQ(::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    replaceFile(path("null"), "swallowed");
    EXPECT_EQ(failureOf([&] { replaceFile(path("full"), "x"); }), "No space left on device");
    EXPECT_TRUE(S_ISCHR(modeOf(path("null"))) && S_ISCHR(modeOf(path("full"))));
    EXPECT_EQ(listing(), "full;null;");
}

TEST_F(FileReplace, APipeIsWrittenInPlaceAndOneWithoutReaderIsRefused) {
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(failureOf([&] { replaceFile(path("pipe"), "x"); }), "No such device or address");
    const int reader = ::open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    replaceFile(path("pipe"), "through");
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 7);
    EXPECT_EQ(std::string(got), "through");
    ::close(reader);
    EXPECT_TRUE(S_ISFIFO(modeOf(path("pipe"))));
    EXPECT_EQ(listing(), "pipe;");
}

TEST_F(FileReplace, StandardOutputRedirectedToAFileGetsTheBytesAfterWhatItHolds) {
    const std::string out = path("out.txt");
    EXPECT_EQ(inChild([&] {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0 || ::write(STDOUT_FILENO, "before\n", 7) != 7) return 1;
        replaceFile("/dev/stdout", "csv\n");
        return ::write(STDOUT_FILENO, "after\n", 6) == 6 ? 0 : 1;
    }), 0);
    EXPECT_EQ(fileText(out), "before\ncsv\nafter\n");
    EXPECT_EQ(listing(), "out.txt;");
}

// A termination signal during the write ends the process as it would have, without the temporary; the old file
// stays whole. Between writes the signals are left as they were.
TEST_F(FileReplace, ATerminationSignalDuringTheWriteRemovesTheTemporary) {
    for (const int signal : {SIGTERM, SIGINT}) {
        std::ofstream(path("kept.bin")) << "old";
        const pid_t child = ::fork();
        if (child == 0) ::_exit((replaceFile(path("kept.bin"), std::string(std::size_t{64} << 20, 'x')), 0));
        bool seen = false;  // the temporary, then the signal while it is written
        for (int tries = 0; !seen && tries < 2000000; ++tries)
            for (const auto& entry : fs::directory_iterator(folder_))
                if (support::isReplaceTemporary(entry.path().filename().string())) seen = true;
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(seen);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(fileText(path("kept.bin")), "old");
        EXPECT_EQ(listing(), "kept.bin;");
    }
    replaceFile(path("kept.bin"), "new");
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
}

TEST(ReplaceTemporary, NamesAreShortAndFixedInLength) {
    EXPECT_TRUE(support::isReplaceTemporary(".~012345.tmp"));
    for (const char* name : {".~01234.tmp", ".~0123456.tmp", ".~01234a.tmp", "a~012345.tmp", ".~012345.tmq"})
        EXPECT_FALSE(support::isReplaceTemporary(name)) << name;
}
}  // namespace
