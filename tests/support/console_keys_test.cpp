#include "support/ConsoleKeys.h"
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#include <chrono>
#include <thread>
#include "tests/support/TypedKeys.h"
using namespace support;
static bool testHandlerRan = false;

TEST(Interrupts, CtrlCCountsAsOneKeyPressWhileCaughtAndTheOldHandlerReturnsAfter) {
    struct sigaction test {}, before {};
    test.sa_handler = [](int) { testHandlerRan = true; };
    sigaction(SIGINT, &test, &before);
    {
        InterruptCatcher catcher;
        raise(SIGINT);
        EXPECT_TRUE(keyWaiting());
        EXPECT_EQ(readKey(), kInterruptKey);
        EXPECT_FALSE(keyWaiting());
        raise(SIGINT);
        discardStoppingKeys();
        EXPECT_FALSE(keyWaiting());
    }
    EXPECT_FALSE(testHandlerRan);
    raise(SIGINT);
    EXPECT_TRUE(testHandlerRan);
    sigaction(SIGINT, &before, nullptr);
}

using TerminalKeys = TypedKeys;

TEST_F(TerminalKeys, CtrlCEndsAWaitForAKey) {
    InterruptCatcher catcher;
    // Ctrl-C's signal after a pause, from a thread that does not take it, so that it lands where the test waits.
    std::thread sender([] {
        sigset_t interrupt;
        sigemptyset(&interrupt);
        sigaddset(&interrupt, SIGINT);
        pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(getpid(), SIGINT);
    });
    EXPECT_EQ(readKey(), kInterruptKey);
    sender.join();
    EXPECT_FALSE(keyWaiting());
}

TEST_F(TerminalKeys, AKeyThatStoppedACommandIsDiscardedWithWhatFollowsIt) {
    type("\x1b[A");  // an arrow key sends three bytes; a loop that reads one leaves two behind
    ASSERT_TRUE(keyWaiting());
    EXPECT_EQ(readKey(), 0x1b);
    discardStoppingKeys();
    EXPECT_FALSE(keyWaiting());
    // Keys typed when no poll saw one are the user's next line and stay.
    discardStoppingKeys();
    type("p");
    discardStoppingKeys();
    EXPECT_EQ(readKey(), 'p');
}
