// Training at a real terminal: tala runs a small training on a pseudo-terminal, the
// test reads what the screen receives and presses q as a user would.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

fs::path dataFolder() { return fs::path(__FILE__).parent_path().parent_path().parent_path() / "data"; }

// The flock's system with two sensors and their rules, trained for `generations`; the
// history is saved to `history` afterwards.
std::string trainingScript(int generations, const fs::path& history) {
    return "begin\n"
           "(new vex::QDM QDM)\n"
           "(vex::qdm::new (get QDM))\n"
           "(file flock_decision_maker.txt)\n"
           "(vex::add_sensor (get QDM) center)\n"
           "(vex::add_sensor (get QDM) left)\n"
           "(new vex::TrainingSet rules)\n"
           "(set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList center)) "
           "(vex::dist_str (get QDM) 1.0 forward)))\n"
           "(set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList left)) "
           "(vex::dist_str (get QDM) 1.0 left)))\n"
           "(vex::train (get QDM) (get rules) " +
           std::to_string(generations) +
           " 4 6 6)\n"
           "(vex::save_training_history (get QDM) " +
           history.string() +
           ")\n"
           "(vex::qdm::free (get QDM))\n";
}

class TrainingAtATerminal : public TempFolder {
protected:
    void TearDown() override {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
        TempFolder::TearDown();
    }

    // Runs tala on `script` in data/ on a new pseudo-terminal (standard error to
    // `errorFile` instead, when one is given). False when no terminal could be made.
    bool start(const std::string& script, const fs::path& errorFile = {}) {
        std::ofstream(path("train.txt")) << script;
        const std::string argument = path("train.txt");
        winsize size{24, 200, 0, 0};
        child_ = forkpty(&master_, nullptr, nullptr, &size);
        if (child_ < 0) return false;
        if (child_ == 0) {
            if (!errorFile.empty()) {
                const int fd = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                dup2(fd, STDERR_FILENO);
            }
            if (chdir(dataFolder().c_str()) == 0) execl(TALA_PROGRAM, "tala", argument.c_str(), nullptr);
            _exit(127);
        }
        return true;
    }

    // Reads the screen until `wanted` has arrived (or, with an empty `wanted`, until
    // the program ends), for at most 60 seconds. True when it came.
    bool readUntil(const std::string& wanted) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!wanted.empty() && screen_.find(wanted) != std::string::npos) return true;
            pollfd fd{master_, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) continue;
            char buffer[4096];
            const ssize_t got = read(master_, buffer, sizeof buffer);
            if (got <= 0) return wanted.empty();  // the program has ended and closed the terminal
            screen_.append(buffer, static_cast<std::size_t>(got));
        }
        return false;
    }

    int exitStatus() {
        int status = -1;
        waitpid(child_, &status, 0);
        child_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void press(const std::string& keys) const {
        ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    static long lineCount(const fs::path& file) {
        const std::string text = fileText(file);
        return std::count(text.begin(), text.end(), '\n');
    }

    pid_t child_ = -1;
    int master_ = -1;
    std::string screen_;
};

TEST_F(TrainingAtATerminal, TheProgressLineIsUpdatedInPlaceAndQSaysWhereTrainingStopped) {
    const fs::path history = folder_ / "history.csv";
    ASSERT_TRUE(start(trainingScript(1000000, history))) << "no pseudo-terminal";
    // Drawn in place: a carriage return, the line, and the rest of the line erased.
    ASSERT_TRUE(readUntil(" left\033[K")) << screen_;
    const auto end = screen_.find(" left\033[K");
    const auto start = screen_.rfind("\rgeneration ", end);
    ASSERT_NE(start, std::string::npos) << screen_;
    const std::string line = screen_.substr(start + 1, end + 5 - start - 1);
    for (const char* part : {"/1000000  best ", " of 10  (rules ", " s, about "})
        EXPECT_NE(line.find(part), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;

    press("q");
    ASSERT_TRUE(readUntil("")) << screen_;
    EXPECT_EQ(exitStatus(), 0) << screen_;
    const std::string stop = "Training stopped by key after ";
    const auto said = screen_.find(stop);
    ASSERT_NE(said, std::string::npos) << screen_;
    std::size_t digits = 0;
    const int finished = std::stoi(screen_.substr(said + stop.size()), &digits);
    const std::string rest = " of 1000000 generations; the decision maker keeps the best sensors found.";
    EXPECT_EQ(screen_.substr(said + stop.size() + digits, rest.size()), rest);
    // The history holds the generations that ran, one row each under its header.
    EXPECT_GT(finished, 0);
    EXPECT_EQ(lineCount(history), finished + 1);
}

TEST_F(TrainingAtATerminal, NothingIsAddedWhenStandardErrorIsNotATerminal) {
    const fs::path errors = folder_ / "errors.txt";
    ASSERT_TRUE(start(trainingScript(3, folder_ / "history.csv"), errors)) << "no pseudo-terminal";
    ASSERT_TRUE(readUntil("")) << screen_;
    EXPECT_EQ(exitStatus(), 0) << screen_;
    EXPECT_NE(screen_.find("DEBUG: final max fitness"), std::string::npos) << screen_;
    EXPECT_EQ(screen_.find("generation"), std::string::npos) << screen_;
    EXPECT_EQ(fileText(errors), "");
    EXPECT_EQ(lineCount(folder_ / "history.csv"), 4);
}

}  // namespace
