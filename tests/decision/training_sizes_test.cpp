#include "decision/TrainingSizes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Reporting.h"
#include "tests/support/StreamCapture.h"

namespace {

TEST(TrainingSizes, EachSizeBelowOneGetsANoticeNamingItAndWhatItMeans) {
    EXPECT_TRUE(vex::trainingSizeNotices(1, 1, 1).empty());
    EXPECT_EQ(vex::trainingSizeNotices(3, 0, 2),
              std::vector<std::string>{
                  "repetitions 0: no thinking step is taken, so fitness only measures the prepared state"});
    const std::vector<std::string> all = vex::trainingSizeNotices(0, -3, -1);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], "generations 0: no generation is trained, so the sensors stay as they are");
    EXPECT_EQ(all[1].substr(0, 16), "repetitions -3: ");
    EXPECT_EQ(all[2], "population -1: there are no candidates, so the sensors stay as they are");

    // On standard error, each a problem of the run.
    const unsigned problems = tala::interp::problemCount();
    OutputCapture err(std::cerr);
    vex::warnAboutTrainingSizes(5, 0, 0);
    EXPECT_EQ(err.text(),
              "vex::train: repetitions 0: no thinking step is taken, so fitness only measures the prepared state\n"
              "vex::train: population 0: there are no candidates, so the sensors stay as they are\n");
    EXPECT_EQ(tala::interp::problemCount(), problems + 2);
}

}  // namespace
