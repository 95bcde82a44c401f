// The sensor file: its exact bytes, loading it back, and files cut short.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decision/QDM.h"
#include "tests/support/StreamCapture.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A scratch file of its own for each test, removed afterwards.
class SensorFile : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }

    Bytes read() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void write(const Bytes& bytes) const {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    const std::string path_ = (std::filesystem::temp_directory_path() /
                               (std::string("sensor-file-") + std::to_string(::getpid()) + "-" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                                  .string();
};

void putInt(Bytes& bytes, std::int32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> shift));
}

void putDoubles(Bytes& bytes, std::initializer_list<double> values) {
    putInt(bytes, static_cast<std::int32_t>(values.size()));
    for (double value : values) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 64; shift += 8) bytes.push_back(static_cast<unsigned char>(bits >> shift));
    }
}

// A dimension-2 sensor "left" with known angles, and the file that holds it:
// format 10, one sensor, the name, then offPhase, rotation and phase.
vex::Sensor leftSensor() {
    vex::Sensor sensor{"left", {1.0, 2.0}, {0.125, 3.0}, {0.5, 0.25}, linalg::Matrix(2, 2)};
    linalg::buildUnitary(sensor.rotation, sensor.phase, sensor.offPhase, sensor.unitary);
    return sensor;
}

Bytes leftFile() {
    Bytes bytes;
    putInt(bytes, 10);
    putInt(bytes, 1);
    putInt(bytes, 4);
    for (char c : std::string("left")) bytes.push_back(static_cast<unsigned char>(c));
    putDoubles(bytes, {0.5, 0.25});
    putDoubles(bytes, {1.0, 2.0});
    putDoubles(bytes, {0.125, 3.0});
    return bytes;
}

TEST_F(SensorFile, HoldsNameThenOffPhaseRotationAndPhaseLittleEndianAndLoadsBack) {
    vex::QDM qdm;
    qdm.sensors.push_back(leftSensor());
    ASSERT_TRUE(qdm.saveSensors(path_));
    EXPECT_EQ(leftFile(), read());

    // Loading appends, with the unitary rebuilt from the angles.
    ASSERT_TRUE(qdm.loadSensors(path_));
    ASSERT_EQ(2u, qdm.sensors.size());
    const vex::Sensor& loaded = qdm.sensors[1];
    EXPECT_EQ("left", loaded.name);
    EXPECT_EQ(qdm.sensors[0].offPhase, loaded.offPhase);
    EXPECT_EQ(qdm.sensors[0].rotation, loaded.rotation);
    EXPECT_EQ(qdm.sensors[0].phase, loaded.phase);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(qdm.sensors[0].unitary.data()[i].re, loaded.unitary.data()[i].re);
        EXPECT_EQ(qdm.sensors[0].unitary.data()[i].im, loaded.unitary.data()[i].im);
    }
}

TEST_F(SensorFile, CutShortAnywhereIsRejectedWhole) {
    const Bytes whole = leftFile();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        write(Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        vex::QDM qdm;
        qdm.addSensor("kept");
        EXPECT_FALSE(qdm.loadSensors(path_)) << "length " << length;
        ASSERT_EQ(1u, qdm.sensors.size()) << "length " << length;
        EXPECT_EQ("kept", qdm.sensors[0].name);
    }
}

// Angle arrays that cannot make a unitary of the record's dimension mark a damaged
// file: refused with the damaged-file report, not a failure from building the unitary.
TEST_F(SensorFile, TooFewPhasesOrRotationsAreRejectedAsDamaged) {
    for (const bool shortPhase : {true, false}) {
        Bytes bytes;
        putInt(bytes, 10);
        putInt(bytes, 1);
        putInt(bytes, 1);
        bytes.push_back('s');
        putDoubles(bytes, {0.5, 0.25});
        if (shortPhase) {
            putDoubles(bytes, {1.0});
            putDoubles(bytes, {});
        } else {
            putDoubles(bytes, {});
            putDoubles(bytes, {1.0});
        }
        write(bytes);
        vex::QDM qdm;
        OutputCapture output;
        const std::string failure = failureOf([&] { qdm.loadSensors(path_); });
        const std::string report = output.text() + failure;
        EXPECT_NE(report.find("is truncated or corrupted"), std::string::npos) << report;
        EXPECT_TRUE(qdm.sensors.empty());
    }
}

}  // namespace
