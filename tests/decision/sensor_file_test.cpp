// The sensor file: its exact bytes and files cut short or that cannot be opened. golden/sensors loads the
// refused files of each other kind; failed saves are the file replacement's (tests/support).
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>
#include "decision/QDM.h"
#include "tests/linalg/MatrixTestSupport.h"
#include "testsupport/StreamCapture.h"
#include "tests/support/TempFolder.h"
namespace {

class SensorFile : public TempFolder {
protected:
    void SetUp() override { TempFolder::SetUp(); file_ = path("sensors.bin"); }
    void write(const std::string& bytes) const { std::ofstream(file_, std::ios::binary) << bytes; }
    std::string file_;
    // A dimension-2 sensor "left", 76 bytes: format 10, one sensor, the name, then offPhase {0.5, 0.25},
    // rotation {1, 2} and phase {0.125, 3}, each a count and doubles, all little-endian.
    const std::string leftFile_ =
        fileText(std::filesystem::path(__FILE__).parent_path() / "golden/sensors/left.sensors");
};

TEST_F(SensorFile, LoadsTheAnglesInTheirOrderAndSavesTheSameBytes) {
    write(leftFile_);
    vex::QDM qdm;
    OutputCapture out;
    ASSERT_TRUE(qdm.loadSensors(file_));
    EXPECT_EQ("Sensor size is 1\n", out.text());
    ASSERT_EQ(1u, qdm.sensors.size());
    const vex::Sensor& left = qdm.sensors[0];
    EXPECT_EQ("left", left.name);
    EXPECT_EQ(std::vector<double>({0.5, 0.25}), left.offPhase);
    EXPECT_EQ(std::vector<double>({1.0, 2.0}), left.rotation);
    EXPECT_EQ(std::vector<double>({0.125, 3.0}), left.phase);
    linalg::Matrix unitary(2, 2);
    linalg::buildUnitary(left.rotation, left.phase, left.offPhase, unitary);
    linalg::testing::expectSame(unitary, left.unitary);
    std::filesystem::remove(file_);
    ASSERT_TRUE(qdm.saveSensors(file_));
    EXPECT_EQ(leftFile_, fileText(file_));
    EXPECT_EQ("sensors.bin;", listing());
}

TEST_F(SensorFile, CutShortAnywhereOrNotAPlainFileIsRefusedWhole) {
    ASSERT_EQ(76u, leftFile_.size());
    vex::QDM qdm;
    qdm.addSensor("kept");
    for (std::size_t length = 0; length < leftFile_.size(); ++length) {
        write(leftFile_.substr(0, length));
        EXPECT_EQ("sensor file '" + file_ + "' is truncated or corrupted; no sensors loaded.",
                  failureOf([&] { qdm.loadSensors(file_); })) << "length " << length;
    }
    EXPECT_EQ("Cannot open sensor file '/dev/null': not a plain file",
              failureOf([&] { qdm.loadSensors("/dev/null"); }));
    // The system would open the file named by the part before the NUL byte.
    write(leftFile_);
    EXPECT_EQ("Cannot open sensor file '" + file_ + "\\0x': file name holds a NUL byte",
              failureOf([&] { qdm.loadSensors(file_ + std::string(1, '\0') + "x"); }));
    ASSERT_EQ(1u, qdm.sensors.size());
    EXPECT_EQ("kept", qdm.sensors[0].name);
}

}  // namespace
