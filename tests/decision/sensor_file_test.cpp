// The sensor file: its exact bytes, a round trip, and damaged files.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decision/QDM.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

class SensorFile : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = fs::temp_directory_path() /
                     ("sensor-file-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    std::string path(const std::string& name) const { return (directory_ / name).string(); }

    Bytes read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    void write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path directory_;
};

void putInt(Bytes& bytes, std::int32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(value) >> shift));
}

void putDouble(Bytes& bytes, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 64; shift += 8) bytes.push_back(static_cast<unsigned char>(bits >> shift));
}

// A dimension-2 sensor "left" with known angles, as the file holds it.
vex::Sensor leftSensor() {
    vex::Sensor sensor;
    sensor.name = "left";
    sensor.offPhase = {0.5, 0.25};
    sensor.rotation = {1.0, 2.0};
    sensor.phase = {0.125, 3.0};
    sensor.unitary.resize(2, 2);
    linalg::buildUnitary(sensor.rotation, sensor.phase, sensor.offPhase, sensor.unitary);
    return sensor;
}

Bytes leftFile() {
    Bytes bytes;
    putInt(bytes, 10);
    putInt(bytes, 1);
    putInt(bytes, 4);
    for (char c : std::string("left")) bytes.push_back(static_cast<unsigned char>(c));
    putInt(bytes, 2);
    putDouble(bytes, 0.5);
    putDouble(bytes, 0.25);
    putInt(bytes, 2);
    putDouble(bytes, 1.0);
    putDouble(bytes, 2.0);
    putInt(bytes, 2);
    putDouble(bytes, 0.125);
    putDouble(bytes, 3.0);
    return bytes;
}

void expectSameSensor(const vex::Sensor& expected, const vex::Sensor& actual) {
    EXPECT_EQ(expected.name, actual.name);
    EXPECT_EQ(expected.rotation, actual.rotation);
    EXPECT_EQ(expected.phase, actual.phase);
    EXPECT_EQ(expected.offPhase, actual.offPhase);
    ASSERT_EQ(expected.unitary.rows(), actual.unitary.rows());
    for (int i = 0; i < expected.unitary.entryCount(); ++i) {
        EXPECT_EQ(expected.unitary.data()[i].re, actual.unitary.data()[i].re);
        EXPECT_EQ(expected.unitary.data()[i].im, actual.unitary.data()[i].im);
    }
}

TEST_F(SensorFile, HoldsNameThenOffPhaseRotationAndPhaseLittleEndianAndLoadsBack) {
    vex::QDM qdm;
    qdm.sensors.push_back(leftSensor());
    ASSERT_TRUE(qdm.saveSensors(path("left")));
    const Bytes bytes = read("left");
    EXPECT_EQ(leftFile(), bytes);

    // Loading rebuilds the unitary from the angles.
    vex::QDM loaded;
    ASSERT_TRUE(loaded.loadSensors(path("left")));
    ASSERT_EQ(1u, loaded.sensors.size());
    expectSameSensor(leftSensor(), loaded.sensors[0]);
}

TEST_F(SensorFile, CutShortAnywhereIsRejectedWhole) {
    const Bytes whole = leftFile();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        write("cut", Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        vex::QDM qdm;
        qdm.addSensor("kept");
        EXPECT_FALSE(qdm.loadSensors(path("cut"))) << "length " << length;
        ASSERT_EQ(1u, qdm.sensors.size()) << "length " << length;
        EXPECT_EQ("kept", qdm.sensors[0].name);
    }
}

}  // namespace
