#pragma once
// The binary sensor file as bytes: format number 10, the number of sensors, then
// each sensor's name and its offPhase, rotation and phase angles, all little-endian.

#include <string>
#include <string_view>
#include <vector>

#include "decision/QDM.h"

namespace vex {

// The file's bytes for these sensors, in order.
std::string sensorFileBytes(const std::vector<Sensor>& sensors);

// The sensors of a file's bytes, each with its unitary rebuilt. A file of another
// format, cut short, asking for more than it holds, or with angles that are not
// finite numbers is refused whole: the failure names fileName and nothing is read.
std::vector<Sensor> sensorsFromFileBytes(std::string_view bytes, const std::string& fileName);

// The sensors of the plain file of that name, as sensorsFromFileBytes reads its bytes;
// a file that cannot be opened or read is refused the same way.
std::vector<Sensor> readSensorFile(const std::string& fileName);

// What a load says: the number of sensors `held` now, whose last `added` came from the
// file, and, on standard error, the loaded names that an earlier sensor already has.
void reportLoad(const std::string& fileName, const std::vector<Sensor>& held, std::size_t added);

}  // namespace vex
