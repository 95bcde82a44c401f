// Sensors and the binary sensor file: format number 10, then the sensors, each as
// its name and its offPhase, rotation and phase angles. Little-endian fields are
// written and read byte by byte, so the layout does not depend on the host.
//
// Saving replaces the file whole (a temporary beside it, renamed over it), and a
// file that cannot be written, opened or read is a failure the script hears of: a
// trained decision maker must never lose its sensors, or fly on untrained ones,
// without a word.

#include "decision/SensorFile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "decision/SizeArithmetic.h"
#include "interp/InterpreterCore.h"
#include "support/FileReplace.h"
#include "support/OutputFile.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "linalg/MemoryBudget.h"
#include "support/ScriptOutput.h"

namespace vex {

namespace {

constexpr std::int32_t kFormatNumber = 10;

// An int32 or a double as its bits, lowest byte first.
template <class Value>
void writeLittle(std::string& out, Value value) {
    std::conditional_t<sizeof(Value) == 8, std::uint64_t, std::uint32_t> bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t shift = 0; shift < 8 * sizeof bits; shift += 8)
        out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void writeAngles(std::string& out, const std::vector<double>& angles) {
    writeLittle(out, static_cast<std::int32_t>(angles.size()));
    for (double angle : angles) writeLittle(out, angle);
}

// Reads the bytes of a file, refusing any count that asks for more bytes than are
// left. Every read answers nothing once the data is exhausted.
class SensorReader {
public:
    explicit SensorReader(std::string_view bytes) : left_(bytes) {}

    std::optional<std::int32_t> readInt() {
        std::uint32_t bits = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const auto byte = nextByte();
            if (!byte) return std::nullopt;
            bits |= static_cast<std::uint32_t>(*byte) << shift;
        }
        return static_cast<std::int32_t>(bits);
    }

    // A count of items of `itemSize` bytes each, all of which must still be there.
    std::optional<std::int32_t> readCount(std::size_t itemSize) {
        const auto count = readInt();
        if (!count || *count < 0 || static_cast<std::size_t>(*count) * itemSize > left_.size()) return std::nullopt;
        return count;
    }

    // The angles of one array; nothing when one of them is not a finite number,
    // which no unitary can be built from.
    std::optional<std::vector<double>> readAngles() {
        const auto count = readCount(8);
        if (!count) return std::nullopt;
        std::vector<double> angles(static_cast<std::size_t>(*count));
        for (double& angle : angles) {
            std::uint64_t bits = 0;
            for (int shift = 0; shift < 64; shift += 8) bits |= static_cast<std::uint64_t>(*nextByte()) << shift;
            std::memcpy(&angle, &bits, sizeof angle);
            if (!std::isfinite(angle)) return std::nullopt;
        }
        return angles;
    }

    std::optional<std::string> readName() {
        const auto length = readCount(1);
        if (!length) return std::nullopt;
        std::string name(left_.substr(0, static_cast<std::size_t>(*length)));
        left_.remove_prefix(name.size());
        return name;
    }

private:
    std::optional<unsigned char> nextByte() {
        if (left_.empty()) return std::nullopt;
        const auto byte = static_cast<unsigned char>(left_.front());
        left_.remove_prefix(1);
        return byte;
    }

    std::string_view left_;
};

// One record; nothing when the record is cut short or its arrays cannot make
// a unitary of its dimension.
std::optional<Sensor> readSensor(SensorReader& reader) {
    Sensor sensor;
    auto name = reader.readName();
    if (!name) return std::nullopt;
    sensor.name = std::move(*name);
    auto offPhase = reader.readAngles();
    auto rotation = reader.readAngles();
    auto phase = reader.readAngles();
    if (!offPhase || !rotation || !phase) return std::nullopt;
    const std::int64_t dimension = static_cast<std::int64_t>(offPhase->size());
    const std::int64_t needed = dimension * (dimension - 1) / 2;
    if (static_cast<std::int64_t>(rotation->size()) < needed || static_cast<std::int64_t>(phase->size()) < needed ||
        dimension * dimension > linalg::kMaxEntries)
        return std::nullopt;
    sensor.offPhase = std::move(*offPhase);
    sensor.rotation = std::move(*rotation);
    sensor.phase = std::move(*phase);
    sensor.unitary.resize(static_cast<int>(dimension), static_cast<int>(dimension));
    linalg::buildUnitary(sensor.rotation, sensor.phase, sensor.offPhase, sensor.unitary);
    return sensor;
}

std::string quoted(const std::string& fileName) {
    std::string text(1, '\'');
    text += support::shownFileName(fileName);
    text += '\'';
    return text;
}

[[noreturn]] void refuseDamaged(const std::string& fileName) {
    throw support::Failure("sensor file " + quoted(fileName) + " is truncated or corrupted; no sensors loaded.");
}

[[noreturn]] void refuseUnopenable(const std::string& fileName, const std::string& reason) {
    throw support::Failure("Cannot open sensor file " + quoted(fileName) + ": " + reason);
}

// The whole content of a plain file: a device or a pipe has no length to check
// the counts against, and a folder has no content.
std::string readWholeFile(const std::string& fileName) {
    std::string reason;
    std::optional<std::string> bytes =
        tala::interp::readRegularFile(fileName, "sensor file " + quoted(fileName), &reason);
    if (!bytes) refuseUnopenable(fileName, reason == "not a regular file" ? "not a plain file" : reason);
    return std::move(*bytes);
}

}  // namespace

std::string sensorFileBytes(const std::vector<Sensor>& sensors) {
    std::string bytes;
    writeLittle(bytes, kFormatNumber);
    writeLittle(bytes, static_cast<std::int32_t>(sensors.size()));
    for (const Sensor& sensor : sensors) {
        writeLittle(bytes, static_cast<std::int32_t>(sensor.name.size()));
        bytes += sensor.name;
        writeAngles(bytes, sensor.offPhase);
        writeAngles(bytes, sensor.rotation);
        writeAngles(bytes, sensor.phase);
    }
    return bytes;
}

std::vector<Sensor> sensorsFromFileBytes(std::string_view bytes, const std::string& fileName) {
    SensorReader reader(bytes);
    const auto format = reader.readInt();
    if (!format) refuseDamaged(fileName);
    if (*format != kFormatNumber) {
        throw support::Failure("sensor file " + quoted(fileName) + " has format " + std::to_string(*format) +
                            ", not 10; no sensors loaded.");
    }
    // Every record takes at least 16 bytes: four counts.
    const auto count = reader.readCount(16);
    if (!count) refuseDamaged(fileName);
    std::vector<Sensor> loaded;
    for (std::int32_t i = 0; i < *count; ++i) {
        auto sensor = readSensor(reader);
        if (!sensor) refuseDamaged(fileName);
        loaded.push_back(std::move(*sensor));
    }
    return loaded;
}

std::vector<Sensor> readSensorFile(const std::string& fileName) {
    return sensorsFromFileBytes(readWholeFile(fileName), fileName);
}

void reportLoad(const std::string& fileName, const std::vector<Sensor>& held, std::size_t added) {
    std::string repeated;
    for (std::size_t i = held.size() - added; i < held.size(); ++i) {
        bool seen = false;
        for (std::size_t j = 0; j < i && !seen; ++j) seen = held[j].name == held[i].name;
        if (seen) repeated += (repeated.empty() ? "'" : ", '") + held[i].name + "'";
    }
    // How many sensors there are now (not their size): chatter, left out under --quiet.
    if (!support::quiet()) support::out() << "Sensor size is " << held.size() << "\n";
    if (!repeated.empty())
        support::warn("vex::load: " + quoted(fileName) + " adds sensors under names already taken: " + repeated +
                           "; vex::qdm::apply_op uses the first sensor of a name, so these are not used in "
                           "deciding (training applies every sensor of a name).");
}

void QDM::addSensor(const std::string& name) {
    Sensor sensor;
    sensor.name = name;
    randomizeSensor(sensor, checkedProduct(memorySize, deltaSize));
    sensors.push_back(std::move(sensor));
}

bool QDM::saveSensors(const std::string& fileName) const {
    try {
        support::replaceFile(fileName, sensorFileBytes(sensors));
    } catch (const support::Failure& failure) {
        throw support::Failure("Cannot write sensor file " + quoted(fileName) + ": " + failure.what());
    }
    return true;
}

bool QDM::loadSensors(const std::string& fileName) {
    // Records are all read first so that a refused file adds nothing at all.
    std::vector<Sensor> loaded = readSensorFile(fileName);
    // A finished system takes sensors of its own size only (or of the whole system's):
    // any other would be multiplied into a state it does not fit.
    if (finalized)
        for (const Sensor& sensor : loaded) {
            const std::int64_t size = sensor.unitary.rows();
            if (size == sensorSize() || size == systemSize()) continue;
            throw support::Failure("sensor file " + quoted(fileName) + " holds sensor '" + sensor.name + "' of size " +
                                std::to_string(size) + ", but this decision maker's sensors have size " +
                                std::to_string(sensorSize()) + " (memory " + std::to_string(memorySize) +
                                " x Delta " + std::to_string(deltaSize) + "); no sensors loaded.");
        }
    const std::size_t added = loaded.size();
    for (Sensor& sensor : loaded) sensors.push_back(std::move(sensor));
    reportLoad(fileName, sensors, added);
    return true;
}

}  // namespace vex
