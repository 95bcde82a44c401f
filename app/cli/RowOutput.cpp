#include "app/cli/RowOutput.h"

#include <charconv>

#include "ProjectVersion.h"
#include "app/sim/Flock.h"
#include "app/sim/WorldSettings.h"

namespace flock {

namespace {

void addFile(Provenance& provenance, const std::string& kind, const std::string& name, const std::string& path) {
    for (const FileIdentity& known : provenance.files)
        if (known.kind == kind && known.name == name) return;
    std::string reason;
    const std::optional<FileIdentity> identity = identifyFile(kind, name, path, reason);
    if (!identity) throw RowFileError("cannot read the " + kind + " file '" + name + "': " + reason);
    provenance.files.push_back(*identity);
}


}  // namespace

Provenance provenanceOf(const FlockOptions& options) {
    Provenance provenance;
    provenance.version = kProjectVersion;
    provenance.command = shellQuoted(options.arguments);
    addFile(provenance, "setup", kSetupScript, kSetupScript);
    if (options.sweep) {
        for (const SweepSensors& sensors : options.sweepChoice.sensors)
            if (sensors.source == SensorSource::File) addFile(provenance, "sensors", sensors.label, sensors.file);
    } else if (options.flock.sensors == SensorSource::File) {
        addFile(provenance, "sensors", options.flock.sensorFile, options.flock.sensorFile);
    }
    return provenance;
}

std::string seriesHeader() {
    std::string header = "run,time";
    for (const FlightFigure& figure : kFlightFigures) header += std::string(",") + figure.name;
    return header + "\n";
}

std::string seriesLine(std::int64_t run, const FlightFigures& stretch) {
    std::string line = std::to_string(run) + "," + settingText(stretch.endSeconds);
    const FigureValues values = valuesOf(stretch);
    for (std::size_t i = 0; i < kFigureCount; ++i)
    {
        line += ',';
        line += kFlightFigures[i].count ? std::to_string(static_cast<std::int64_t>(values[i])) : settingText(values[i]);
    }
    return line + "\n";
}

}  // namespace flock
