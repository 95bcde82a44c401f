// The process pool: every task answers once, in its own process, whatever the jobs;
// a child that dies says how, and one that cannot answer does not stop the others.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli/ProcessPool.h"

namespace flock {
namespace {

TEST(ProcessPool, EveryTaskAnswersOnceFromItsOwnProcessAndDeathsSayHow) {
    for (std::size_t jobs : {1u, 3u}) {
        std::vector<ChildAnswer> answers(6);
        std::vector<int> seen(6, 0);
        int rounds = 0;
        PoolHooks hooks;
        hooks.work = [](std::size_t task) -> std::string {
            if (task == 2) std::exit(3);
            if (task == 4) ::raise(SIGKILL);
            if (task == 5) throw std::runtime_error("no answer");
            return std::to_string(task) + " " + std::to_string(::getpid());
        };
        hooks.answered = [&](const ChildAnswer& child) {
            answers[child.task] = child;
            seen[child.task] += 1;
        };
        hooks.cannotStart = [](std::size_t, const std::string& reason) { FAIL() << reason; };
        hooks.cannotWait = [](const std::string& reason) { FAIL() << reason; };
        hooks.waited = [&] { rounds += 1; };
        EXPECT_EQ(runInChildren(6, jobs, hooks), PoolEnd::Done);
        EXPECT_EQ(seen, std::vector<int>(6, 1));
        EXPECT_GT(rounds, 0);
        for (std::size_t task : {0u, 1u, 3u}) {
            EXPECT_EQ(answers[task].ended, "");
            EXPECT_EQ(answers[task].text.rfind(std::to_string(task) + " ", 0), 0u);
            EXPECT_NE(answers[task].text, std::to_string(task) + " " + std::to_string(::getpid()));
        }
        EXPECT_EQ(answers[2].ended, "ended with status 3");
        EXPECT_EQ(answers[4].ended.rfind("ended by signal ", 0), 0u);
        EXPECT_EQ(answers[5].ended, "ended with status 1");
    }
    const ChildAnswer alone = runInChild([] { return std::string(100000, 'x'); });  // more than a pipe holds
    EXPECT_EQ(alone.ended, "");
    EXPECT_EQ(alone.text.size(), 100000u);
}

// A stopped child holds the pool up no longer than the grace: one that takes the termination request once continued
// ends of it, one that ignores it is killed, and each is named.
TEST(ProcessPool, StoppedChildrenAreContinuedOrKilledWhenThePoolIsInterrupted) {
    std::vector<std::string> told;
    int rounds = 0;
    PoolHooks hooks;
    hooks.work = [](std::size_t task) -> std::string {
        if (task == 1) std::signal(SIGTERM, SIG_IGN);
        ::raise(SIGSTOP);
        for (;;) ::pause();
    };
    hooks.answered = [](const ChildAnswer& child) { FAIL() << "task " << child.task << " answered"; };
    hooks.cannotStart = [](std::size_t, const std::string& reason) { FAIL() << reason; };
    hooks.cannotWait = [](const std::string& reason) { FAIL() << reason; };
    hooks.waited = [&] {
        if (++rounds == 10) ::kill(::getpid(), SIGTERM);  // as a termination request to the sweep
    };
    hooks.forced = [&](std::size_t task, const std::string& what) {
        told.push_back(std::to_string(task) + " " + what);
    };
    hooks.grace = std::chrono::milliseconds(200);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runInChildren(2, 2, hooks), PoolEnd::Interrupted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const std::string continued = "was stopped: continued (SIGCONT) after the termination request, so that it ends";
    const std::string killed = "did not end within 0.2 s of the termination request: killed (SIGKILL)";
    EXPECT_EQ(told, (std::vector<std::string>{"0 " + continued, "1 " + continued, "1 " + killed}));
}

}  // namespace
}  // namespace flock
