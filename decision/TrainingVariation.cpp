// The variation operators of sensor training. Every random number comes from the
// C library generator in a fixed order, so a run is repeatable from its seed.

#include <cstdlib>

#include "decision/Training.h"

namespace vex {

namespace {

bool chance(int percent) { return std::rand() % 100 < percent; }

// Picks t from the first parent below the cut, else from the second where it has t.
double pick(std::size_t t, std::size_t cut, double fromA, const std::vector<double>& arrayB) {
    return (t < cut || t >= arrayB.size()) ? fromA : arrayB[t];
}

void rebuild(Sensor& sensor) {
    linalg::buildUnitary(sensor.rotation, sensor.phase, sensor.offPhase, sensor.unitary);
}

void redrawAngles(Individual& individual, int percent, bool rebuildNow) {
    for (Sensor& sensor : individual.sensors) {
        for (std::size_t t = 0; t < sensor.rotation.size(); ++t) {
            if (chance(percent)) sensor.rotation[t] = QDM::randomAngle();
            if (chance(percent)) {
                const double angle = QDM::randomAngle();
                if (t < sensor.phase.size()) sensor.phase[t] = angle;
            }
            if (t < sensor.offPhase.size() && chance(percent)) sensor.offPhase[t] = QDM::randomAngle();
        }
    }
    if (rebuildNow) rebuildUnitaries(individual);
}

}  // namespace

void rebuildUnitaries(Individual& individual) {
    for (Sensor& sensor : individual.sensors) rebuild(sensor);
}

void crossover(Individual& child, const Individual& parentA, const Individual& parentB, bool rebuildNow) {
    child = parentA;
    std::rand();
    for (std::size_t k = 0; k < child.sensors.size(); ++k) {
        Sensor& sensor = child.sensors[k];
        // Individuals of one training share their sizes; should a second parent
        // fall short anyway, the child keeps the first parent's genes there.
        static const Sensor kNone{};
        const Sensor& other = k < parentB.sensors.size() ? parentB.sensors[k] : kNone;

        // A sensor of dimension 1 has no rotations and so no cut to draw.
        const std::size_t n = sensor.rotation.size();
        if (n > 0) {
            const std::size_t cut = static_cast<std::size_t>(std::rand()) % n;
            std::rand();
            for (std::size_t t = 0; t < n; ++t) {
                sensor.rotation[t] = pick(t, cut, sensor.rotation[t], other.rotation);
                if (t < sensor.phase.size()) sensor.phase[t] = pick(t, cut, sensor.phase[t], other.phase);
            }
        }
        const std::size_t m = sensor.offPhase.size();
        if (m > 0) {
            const std::size_t cut = static_cast<std::size_t>(std::rand()) % m;
            for (std::size_t t = 0; t < m; ++t) sensor.offPhase[t] = pick(t, cut, sensor.offPhase[t], other.offPhase);
        }
        if (rebuildNow) rebuild(sensor);
    }
}

void mutate(Individual& individual, bool rebuildNow) { redrawAngles(individual, 20, rebuildNow); }

void mutatedCopy(Individual& child, const Individual& parent, bool rebuildNow) {
    child = parent;
    redrawAngles(child, 10, rebuildNow);
}

}  // namespace vex
