// The threaded page's turn-taking: program code on one thread at a time, the command's
// frames drawn by the main thread exactly where the command waits for them.
#include "web/threads/CommandThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using flock::web::CommandThread;

// The main thread's side, as the page's animation-frame passes do it: draws the frames
// the command waits for until the command gives the turn back. Answers false if that
// takes longer than a few seconds.
bool drawUntilDone(CommandThread& commands, std::vector<std::string>& log) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!commands.mainHasTurn()) {
            std::this_thread::yield();
            continue;
        }
        if (!commands.frameWanted()) return true;
        log.push_back("frame");
        commands.frameDrawn();
    }
    return false;
}

TEST(CommandThread, FramesComeOnlyWhereTheCommandWaitsAndEachHandOverRunsOnce) {
    CommandThread commands;
    // Written by whichever thread has the turn, with no lock of its own.
    std::vector<std::string> log;
    int handOvers = 0;
    bool onCommandThread = false;
    ASSERT_TRUE(commands.start(
        [&] {
            onCommandThread = commands.onCommandThread();
            const std::string name = "command " + std::to_string(++handOvers);
            for (int poll = 0; poll < 3; ++poll) {
                log.push_back(name + " poll " + std::to_string(poll));
                commands.awaitFrame();
            }
            log.push_back(name + " done");
        },
        1 << 20));
    EXPECT_TRUE(commands.mainHasTurn());
    EXPECT_FALSE(commands.onCommandThread());

    commands.handOver();
    ASSERT_TRUE(drawUntilDone(commands, log));
    commands.handOver();
    ASSERT_TRUE(drawUntilDone(commands, log));

    const std::vector<std::string> expected = {
        "command 1 poll 0", "frame", "command 1 poll 1", "frame", "command 1 poll 2", "frame", "command 1 done",
        "command 2 poll 0", "frame", "command 2 poll 1", "frame", "command 2 poll 2", "frame", "command 2 done"};
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(onCommandThread);
    EXPECT_TRUE(commands.mainHasTurn());
    EXPECT_FALSE(commands.frameWanted());
}

}  // namespace
