#pragma once
// The quantum decision maker. Its quantum state lives in its own variable table
// (psi.0, Tops, the Delta and Action registers) and is built and changed by
// command texts that it hands to the typed evaluator; scripts see those variables.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "decision/Records.h"
#include "decision/TrainingHistory.h"
#include "interp/VariableTable.h"
#include "linalg/CompressedMatrix.h"
#include "linalg/Matrix.h"

namespace vex {

// A named stimulus operator: a unitary rebuilt from its three angle arrays.
struct Sensor {
    std::string name;
    std::vector<double> rotation;  // floor(n*n/2) angles
    std::vector<double> phase;     // floor(n*n/2) angles
    std::vector<double> offPhase;  // n angles
    linalg::Matrix unitary;        // n x n
};

// One candidate sensor set of the training population.
struct Individual {
    std::vector<Sensor> sensors;
    std::vector<double> ruleFitness;
    double fitness = 0.0;
};

// How operators on some registers reach psi.0. Factored applies them by index
// arithmetic; Dense multiplies out the full Kronecker product first and is kept
// as the reference the factored route is checked and measured against.
enum class OperatorRoute { Factored, Dense };

class QDM : public tala::interp::VariableTable {
public:
    std::vector<ActionSpace> actionSpaces;
    std::vector<Sensor> sensors;
    std::vector<Individual> population;  // descending fitness after every sort
    std::int32_t memorySize = 1;
    std::int32_t deltaSize = 1;
    std::int32_t actionSize = 1;
    std::int32_t populationLimit = 100;
    TrainingHistory trainingHistory;     // of the last vex::train
    OperatorRoute operatorRoute = OperatorRoute::Factored;

    // Building the system.
    bool addActionSpace(const ActionSpace& space);
    bool finalize(std::int32_t memory);
    void prepare();
    // The first point of that name, scanning spaces then points in order.
    bool findAction(const std::string& name, int& spaceIndex, int& actionIndex) const;
    static void randomizeSensor(Sensor& sensor, int dimension);

    // Thinking and deciding.
    void applyOp(const std::string& name);
    void applySensorOperator(const linalg::Matrix& op);
    void think();
    std::vector<std::int32_t> measureActions(int space);
    void recenter(int space, const std::vector<std::int32_t>& position);
    int nearestAction(int space, const std::vector<std::int32_t>& position,
                      ActionPoint* chosen = nullptr) const;
    int decide(int space);
    std::string decideName(int space);
    int getMaxMeasureTime(int space) const;
    double actionProbability(int space, int action);

    // Sensors and sensor files.
    void addSensor(const std::string& name);
    bool saveSensors(const std::string& fileName) const;
    bool loadSensors(const std::string& fileName);

    // Genetic training of the sensors against rules; records trainingHistory.
    void train(const std::vector<Rule>& rules, int generations, int repetitions,
               int initialPopulation, int limit);

    // Hands one generated text to the typed evaluator on the global list.
    void evaluateText(std::string_view text, bool global);
    void evaluateText(std::string_view text, bool global, tala::interp::Variable& result);

    // The W = memorySize x deltaSize x actionSize of the finished system.
    std::int64_t systemSize() const;

private:
    // Tops with at most one entry in kSparseShare non-zero is multiplied in compressed form.
    static constexpr int kSparseShare = 8;

    // The compressed form of the Tops of that version, if it is sparse.
    struct TopsForm {
        std::uint64_t version = 0;
        std::unique_ptr<linalg::CompressedMatrix> compressed;
    };
    TopsForm topsForm;

    bool thinkDirectly();
    // tops x psi: by the compressed form when tops is sparse, else densely; the same numbers.
    linalg::Matrix multiplyByTops(const linalg::Matrix& tops, const linalg::Matrix& psi);
    // The probability of the action from the distribution of the space's Action registers.
    double sumOverAction(int space, int action, std::int32_t middle, const std::vector<double>& distribution) const;
    linalg::Matrix& readMatrix(const std::string& name);
    std::int32_t readInteger(const std::string& name);
    // psi.0 = (I_left (x) op (x) I_right) psi.0, by the configured route.
    void applyOnRegisters(linalg::Matrix& psi, std::int64_t left, const linalg::Matrix& op,
                          std::int64_t right);
};

}  // namespace vex
