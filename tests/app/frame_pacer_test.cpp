#include "app/FramePacer.h"

#include <gtest/gtest.h>

namespace flock {
namespace {

using namespace std::chrono_literals;
using Clock = FramePacer::Clock;

TEST(FramePacer, QuickFramesWaitForTheirSlot) {
    FramePacer pacer(250);  // 4 ms a frame
    Clock::time_point start{};
    EXPECT_EQ(pacer.waitAfterFrame(start + 1ms), 0ms);
    EXPECT_EQ(pacer.waitAfterFrame(start + 2ms), 3ms);
    // The next frame was due at 9 ms: this one ends at 6, so it waits 3.
    EXPECT_EQ(pacer.waitAfterFrame(start + 6ms), 3ms);
}

TEST(FramePacer, LateFramesDoNotHurryTheOnesAfter) {
    FramePacer pacer(250);
    Clock::time_point start{};
    pacer.waitAfterFrame(start);
    EXPECT_EQ(pacer.waitAfterFrame(start + 50ms), 0ms);
    EXPECT_EQ(pacer.waitAfterFrame(start + 51ms), 3ms);
}

}  // namespace
}  // namespace flock
