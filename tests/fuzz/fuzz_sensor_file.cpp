// The sensor-file reader on any bytes, loaded from a file into a decision maker that already has sensors. A refused
// file must leave those sensors exactly as they were; an accepted one must append sensors whose file form is the
// bytes read.
#include <fstream>
#include <optional>
#include <string>
#include "decision/QDM.h"
#include "decision/SensorFile.h"
#include "support/Failure.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::require;

// The sensors' angles and unitaries, byte for byte.
std::string fingerprint(const std::vector<vex::Sensor>& sensors) {
    std::string print = vex::sensorFileBytes(sensors);
    for (const vex::Sensor& sensor : sensors)
        print.append(reinterpret_cast<const char*>(sensor.unitary.data()),
                     sizeof(linalg::Complex) * static_cast<std::size_t>(sensor.unitary.entryCount()));
    return print;
}

std::optional<vex::QDM> qdm;  // two sensors of dimension 3
std::string before;           // and their fingerprint

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess();
    qdm.emplace();
    qdm->memorySize = 3;
    qdm->addSensor("left");
    qdm->addSensor("right");
    before = fingerprint(qdm->sensors);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream("input.sensors", std::ios::binary | std::ios::trunc) << bytes;
    const std::size_t kept = qdm->sensors.size();
    try {
        qdm->loadSensors("input.sensors");
    } catch (const support::Failure&) {
        require(fingerprint(qdm->sensors) == before);
        return 0;
    }
    const std::vector<vex::Sensor> loaded(qdm->sensors.begin() + static_cast<long>(kept), qdm->sensors.end());
    const std::string rewritten = vex::sensorFileBytes(loaded);
    // Everything read, written again, gives back the bytes that were read.
    require(rewritten.size() <= bytes.size() && bytes.compare(0, rewritten.size(), rewritten) == 0);
    for (const vex::Sensor& sensor : loaded) {
        const int n = static_cast<int>(sensor.offPhase.size());
        require(sensor.unitary.rows() == n && sensor.unitary.cols() == n);
    }
    qdm->sensors.resize(kept);
    require(fingerprint(qdm->sensors) == before);
    return 0;
}
