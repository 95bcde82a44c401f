// The process pool: every task answers once, in its own process, whatever the jobs;
// a child that dies says how, and one that cannot answer does not stop the others.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

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

}  // namespace
}  // namespace flock
