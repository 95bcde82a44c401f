// The sensor file: its exact bytes, loading it back, files that are refused, and
// saves that fail without harming the file they were to replace.

#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "decision/QDM.h"
#include "tests/linalg/MatrixTestSupport.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

class SensorFile : public TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        path_ = path("sensors.bin");
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all);
        TempFolder::TearDown();
    }

    Bytes read() const { return fileText(path_); }
    void write(const Bytes& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }

    std::string path_;
};

void putInt(Bytes& bytes, std::int32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>(static_cast<std::uint32_t>(value) >> shift));
}

void putDoubles(Bytes& bytes, std::initializer_list<double> values) {
    putInt(bytes, static_cast<std::int32_t>(values.size()));
    for (double value : values) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 64; shift += 8) bytes.push_back(static_cast<char>(bits >> shift));
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
    for (int header : {10, 1, 4}) putInt(bytes, header);
    bytes += "left";
    putDoubles(bytes, {0.5, 0.25});
    putDoubles(bytes, {1.0, 2.0});
    putDoubles(bytes, {0.125, 3.0});
    return bytes;
}

// Runs the action in a child process and answers the failure text it raised, or
// "(no failure)"; "(skipped)" when the child could not set itself up.
std::string failureInChild(const std::function<bool()>& setUp, const std::function<void()>& action) {
    int channel[2];
    if (::pipe(channel) != 0) return "(no pipe)";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string text = "(skipped)";
        if (setUp()) text = failureOf(action);
        [[maybe_unused]] const ssize_t written = ::write(channel[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string text;
    char chunk[256];
    for (ssize_t got; (got = ::read(channel[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return text;
}

// Folder permissions do not bind root: the child gives up root for the unprivileged
// "nobody" before it tries to write.
bool withoutRoot() {
    if (::geteuid() != 0) return true;
    constexpr uid_t kNobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// A full disk, stood in for by the file-size limit: every write past a few bytes fails.
bool withFullDisk() {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{16, RLIM_INFINITY};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

TEST_F(SensorFile, HoldsNameThenOffPhaseRotationAndPhaseLittleEndianAndLoadsBack) {
    vex::QDM qdm;
    qdm.sensors.push_back(leftSensor());
    ASSERT_TRUE(qdm.saveSensors(path_));
    EXPECT_EQ(leftFile(), read());
    EXPECT_EQ("sensors.bin;", listing());

    // Loading appends, with the unitary rebuilt from the angles.
    OutputCapture out;
    ASSERT_TRUE(qdm.loadSensors(path_));
    EXPECT_EQ("Sensor size is 2\n", out.text());
    ASSERT_EQ(2u, qdm.sensors.size());
    const vex::Sensor& loaded = qdm.sensors[1];
    EXPECT_EQ("left", loaded.name);
    EXPECT_EQ(qdm.sensors[0].offPhase, loaded.offPhase);
    EXPECT_EQ(qdm.sensors[0].rotation, loaded.rotation);
    EXPECT_EQ(qdm.sensors[0].phase, loaded.phase);
    linalg::testing::expectSame(qdm.sensors[0].unitary, loaded.unitary);
}

TEST_F(SensorFile, CutShortAnywhereIsRefusedWhole) {
    const Bytes whole = leftFile();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        write(whole.substr(0, length));
        vex::QDM qdm;
        qdm.addSensor("kept");
        EXPECT_EQ("sensor file '" + path_ + "' is truncated or corrupted; no sensors loaded.",
                  failureOf([&] { qdm.loadSensors(path_); }))
            << "length " << length;
        ASSERT_EQ(1u, qdm.sensors.size()) << "length " << length;
        EXPECT_EQ("kept", qdm.sensors[0].name);
    }
}

TEST_F(SensorFile, WhatCannotBeOpenedIsRefusedWithItsReason) {
    vex::QDM qdm;
    qdm.addSensor("kept");
    EXPECT_EQ("Cannot open sensor file '/dev/null': not a plain file", failureOf([&] { qdm.loadSensors("/dev/null"); }));
    // The system would open the file named by the part before the NUL byte.
    write(leftFile());
    const std::string cut = path_ + std::string(1, '\0') + "x";
    EXPECT_EQ("Cannot open sensor file '" + path_ + "\\0x': file name holds a NUL byte",
              failureOf([&] { qdm.loadSensors(cut); }));
    EXPECT_EQ(1u, qdm.sensors.size());
}

TEST_F(SensorFile, FailedSavesLeaveTheEarlierFileAsItWas) {
    write(leftFile());
    vex::QDM qdm;  // three sensors, a file larger than leftFile()
    for (int i = 0; i < 3; ++i) qdm.sensors.push_back(leftSensor());
    EXPECT_EQ("Cannot write sensor file '" + path_ + "': File too large (the file-size limit is 16 bytes)",
              failureInChild(withFullDisk, [&] { qdm.saveSensors(path_); }));
    EXPECT_EQ(leftFile(), read());
    EXPECT_EQ("sensors.bin;", listing());

    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string readOnly = failureInChild(withoutRoot, [&] { qdm.saveSensors(path_); });
    fs::permissions(folder_, fs::perms::owner_all);
    EXPECT_EQ(leftFile(), read());
    EXPECT_EQ("sensors.bin;", listing());
    if (readOnly == "(skipped)") GTEST_SKIP() << "running as root and cannot become another user";
    EXPECT_EQ("Cannot write sensor file '" + path_ + "': Permission denied", readOnly);
}

}  // namespace
