#include "app/cli/RowOutput.h"

#include <charconv>

#include "app/sim/Flock.h"
#include "app/sim/WorldSettings.h"
#include "support/ProjectVersion.h"

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
    provenance.version = support::kProjectVersion;
    provenance.command = shellQuoted(options.arguments);
    for (const SweepSetup& setup : options.sweepChoice.setups) addFile(provenance, "setup", setup.label, setup.file);
    if (options.sweepChoice.setups.empty()) addFile(provenance, "setup", kSetupScript, kSetupScript);
    if (options.sweep) {
        for (const SweepSensors& sensors : options.sweepChoice.sensors)
            if (sensors.source == SensorSource::File) addFile(provenance, "sensors", sensors.label, sensors.file);
    } else if (options.flock.sensors == SensorSource::File) {
        addFile(provenance, "sensors", options.flock.sensorFile, options.flock.sensorFile);
    }
    return provenance;
}

}  // namespace flock
