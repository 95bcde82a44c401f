#include "app/Timer.h"

#include <gtest/gtest.h>

namespace flock {
namespace {

TEST(Timer, ZeroPeriodIsCompleteAndExpiredRightAfterStart) {
    ManualClock clock;
    clock.set(500);
    Timer timer;
    timer.start(clock);
    EXPECT_TRUE(timer.expired(clock));
    EXPECT_FLOAT_EQ(timer.progress(clock), 1.0f);
}

TEST(Timer, ProgressRisesLinearlyAndIsClampedToTheUnitRange) {
    ManualClock clock;
    clock.set(1000);
    Timer timer;
    timer.period = 2000;
    timer.start(clock);
    EXPECT_EQ(timer.deadline, 3000);
    EXPECT_FLOAT_EQ(timer.progress(clock), 0.0f);
    clock.advance(500);
    EXPECT_FLOAT_EQ(timer.progress(clock), 0.25f);
    clock.advance(1000);
    EXPECT_FLOAT_EQ(timer.progress(clock), 0.75f);
    clock.advance(5000);
    EXPECT_FLOAT_EQ(timer.progress(clock), 1.0f);
    clock.set(0);  // before the period began
    EXPECT_FLOAT_EQ(timer.progress(clock), 0.0f);
}

TEST(Timer, ExpiresExactlyAtTheDeadlineAndRestartsFromNow) {
    ManualClock clock;
    Timer timer;
    timer.period = 250;
    timer.start(clock);
    clock.set(249);
    EXPECT_FALSE(timer.expired(clock));
    clock.set(250);
    EXPECT_TRUE(timer.expired(clock));
    clock.set(400);  // restarted late: the next period counts from the restart
    timer.start(clock);
    EXPECT_FALSE(timer.expired(clock));
    EXPECT_EQ(timer.deadline, 650);
}

TEST(Timer, KeepsWorkingAfterTwentyFiveDaysOfRunning) {
    ManualClock clock;
    clock.set(Milliseconds{1} << 31);  // beyond a 32-bit millisecond count
    Timer timer;
    timer.period = 1000;
    timer.start(clock);
    EXPECT_FALSE(timer.expired(clock));
    clock.advance(500);
    EXPECT_FLOAT_EQ(timer.progress(clock), 0.5f);
    clock.advance(500);
    EXPECT_TRUE(timer.expired(clock));
}

}  // namespace
}  // namespace flock
