// Sensors and the binary sensor file: format number 10, then the sensors, each as
// its name and its offPhase, rotation and phase angles. Little-endian fields are
// written and read byte by byte, so the layout does not depend on the host.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "decision/QDM.h"
#include "decision/SizeArithmetic.h"

namespace vex {

namespace {

constexpr std::int32_t kFormatNumber = 10;

void writeInt(std::ostream& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.put(static_cast<char>((bits >> shift) & 0xFF));
}

void writeDouble(std::ostream& out, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 64; shift += 8) out.put(static_cast<char>((bits >> shift) & 0xFF));
}

void writeAngles(std::ostream& out, const std::vector<double>& angles) {
    writeInt(out, static_cast<std::int32_t>(angles.size()));
    for (double angle : angles) writeDouble(out, angle);
}

// Reads a file whose length is known, refusing any count that asks for more
// bytes than are left. Every read answers nothing once the data is exhausted.
class SensorReader {
public:
    SensorReader(std::istream& in, std::uintmax_t size) : in_(in), left_(size) {}

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
    std::optional<std::int32_t> readCount(std::uintmax_t itemSize) {
        const auto count = readInt();
        if (!count || *count < 0 || static_cast<std::uintmax_t>(*count) * itemSize > left_) return std::nullopt;
        return count;
    }

    std::optional<std::vector<double>> readAngles() {
        const auto count = readCount(8);
        if (!count) return std::nullopt;
        std::vector<double> angles(static_cast<std::size_t>(*count));
        for (double& angle : angles) {
            std::uint64_t bits = 0;
            for (int shift = 0; shift < 64; shift += 8) {
                const auto byte = nextByte();
                if (!byte) return std::nullopt;
                bits |= static_cast<std::uint64_t>(*byte) << shift;
            }
            std::memcpy(&angle, &bits, sizeof angle);
        }
        return angles;
    }

    std::optional<std::string> readName() {
        const auto length = readCount(1);
        if (!length) return std::nullopt;
        std::string name(static_cast<std::size_t>(*length), '\0');
        for (char& c : name) {
            const auto byte = nextByte();
            if (!byte) return std::nullopt;
            c = static_cast<char>(*byte);
        }
        return name;
    }

private:
    std::optional<unsigned char> nextByte() {
        if (left_ == 0) return std::nullopt;
        const int c = in_.get();
        if (c == std::char_traits<char>::eof()) return std::nullopt;
        --left_;
        return static_cast<unsigned char>(c);
    }

    std::istream& in_;
    std::uintmax_t left_;
};

// One record; nothing when the record is cut short or its arrays cannot make
// a unitary of its dimension.
std::optional<Sensor> readSensor(SensorReader& reader) {
    Sensor sensor;
    auto name = reader.readName();
    if (!name) return std::nullopt;
    sensor.name = std::move(*name);
    auto offPhase = reader.readAngles();
    if (!offPhase) return std::nullopt;
    auto rotation = reader.readAngles();
    if (!rotation) return std::nullopt;
    auto phase = reader.readAngles();
    if (!phase) return std::nullopt;
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

void reportDamaged(const std::string& fileName) {
    std::cout << "Error: sensor file '" << fileName << "' is truncated or corrupted; no sensors loaded.\n";
}

}  // namespace

void QDM::addSensor(const std::string& name) {
    Sensor sensor;
    sensor.name = name;
    randomizeSensor(sensor, checkedProduct(memorySize, deltaSize));
    sensors.push_back(std::move(sensor));
}

bool QDM::saveSensors(const std::string& fileName) const {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    writeInt(out, kFormatNumber);
    writeInt(out, static_cast<std::int32_t>(sensors.size()));
    for (const Sensor& sensor : sensors) {
        writeInt(out, static_cast<std::int32_t>(sensor.name.size()));
        out.write(sensor.name.data(), static_cast<std::streamsize>(sensor.name.size()));
        writeAngles(out, sensor.offPhase);
        writeAngles(out, sensor.rotation);
        writeAngles(out, sensor.phase);
    }
    out.close();
    return true;
}

bool QDM::loadSensors(const std::string& fileName) {
    // Only plain files: a device or a pipe has no length to check counts against.
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) return false;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    if (error) return false;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return false;

    SensorReader reader(in, size);
    const auto format = reader.readInt();
    if (!format) {
        reportDamaged(fileName);
        return false;
    }
    if (*format != kFormatNumber) return false;
    // Every record takes at least 16 bytes: four counts.
    const auto count = reader.readCount(16);
    if (!count) {
        reportDamaged(fileName);
        return false;
    }
    // Records are collected first so that a damaged file adds nothing at all.
    std::vector<Sensor> loaded;
    for (std::int32_t i = 0; i < *count; ++i) {
        auto sensor = readSensor(reader);
        if (!sensor) {
            reportDamaged(fileName);
            return false;
        }
        loaded.push_back(std::move(*sensor));
    }
    for (Sensor& sensor : loaded) sensors.push_back(std::move(sensor));
    std::cout << "Sensor size is " << sensors.size() << "\n";
    return true;
}

}  // namespace vex
