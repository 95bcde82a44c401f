#pragma once
// The quantum decision maker. Its quantum state lives in its own variable table
// (psi.0, Tops, the Delta and Action registers) and is built and changed by
// command texts that it hands to the typed evaluator; scripts see those variables.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "decision/KeptOperators.h"
#include "decision/Records.h"
#include "decision/TrainingHistory.h"
#include "interp/VariableTable.h"
#include "linalg/CompressedMatrix.h"
#include "linalg/Matrix.h"

namespace support {
class TaskProgress;
}

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

class TrainingProgress;

// How a generation evaluates its candidates: each phase's made first and evaluated
// together (on `threads` threads, 0: trainingThreads()), or each as soon as it is made.
struct EvaluationPlan {
    bool together = true;
    int threads = 0;
};

class QDM : public tala::interp::VariableTable {
public:
    std::vector<ActionSpace> actionSpaces;
    std::vector<Sensor> sensors;
    std::int32_t memorySize = 1;
    std::int32_t deltaSize = 1;
    std::int32_t actionSize = 1;
    TrainingHistory trainingHistory;     // of the last vex::train
    bool finalized = false;             // finalize has built the system
    std::size_t spacesInSystem = 0;     // the action spaces finalize built it of
    bool prepared = false;              // prepare has run
    std::set<std::string> noticesGiven; // misuse notices already written (Notices.h)

    // Building the system.
    bool addActionSpace(const ActionSpace& space);
    // The setup scripts QDM_Scripts/SetupTops.txt and prepare.txt are looked for in the
    // working folder, then under each of scriptFolders in turn.
    bool finalize(std::int32_t memory, const std::vector<std::string>& scriptFolders = {});
    void prepare();
    // The first point of that name, scanning spaces then points in order.
    bool findAction(const std::string& name, int& spaceIndex, int& actionIndex) const;
    static void randomizeSensor(Sensor& sensor, int dimension);
    // An angle in [0, 3.1415) from one draw of the C library generator.
    static double randomAngle();

    // Thinking and deciding.
    void applyOp(const std::string& name);
    // The first sensor of that name, the one a stimulus applies, or null.
    const Sensor* findSensor(const std::string& name) const;
    bool hasSensor(const std::string& name) const { return findSensor(name) != nullptr; }
    void applySensorOperator(const linalg::Matrix& op);
    void think();
    std::vector<std::int32_t> measureActions(int space);
    // Off: every measurement runs its text, the reference the in-place route is checked against.
    bool measureInPlace = true;
    // Off: every move of registers back to their centre is built afresh from its kets and
    // bras, the reference the kept ones are checked against.
    bool keepOperators = true;
    void recenter(int space, const std::vector<std::int32_t>& position);
    int nearestAction(int space, const std::vector<std::int32_t>& position,
                      ActionPoint* chosen = nullptr) const;
    int decide(int space);
    std::string decideName(int space);
    int getMaxMeasureTime(int space) const;
    double actionProbability(int space, int action);

    // Episodes replayed side by side apart from psi.0, as training does, with the numbers
    // the same steps on psi.0 would give and each thinking step reading Tops once for all.
    // startApart answers false, changing nothing, unless psi.0 (a single variable),
    // psi.init and Tops are distinct matrices of the system's shape, no variable bears the
    // measuring text's temporary names, and every given operator fits as a sensor; then
    // `states` holds `count` copies of psi.init, each a psi.0 to the other operations.
    bool startApart(const std::vector<const linalg::Matrix*>& operators, std::size_t count,
                    std::vector<linalg::Matrix>& states);
    void applySensorOperator(const linalg::Matrix& op, linalg::Matrix& state);
    double actionProbability(int space, int action, const linalg::Matrix& state);
    // psi.0 takes the state, as the last of the episodes would have left it.
    void finishApart(const linalg::Matrix& state);
    // Tops and, when it is multiplied in compressed form, that form: what thinking steps
    // apart need (each state becomes Tops times it), read here on the table's thread so
    // that other threads can multiply by it without touching the variables. Valid while
    // Tops and the table stay as they are. Call after a startApart that answered true.
    struct TopsView {
        const linalg::Matrix* tops = nullptr;
        const linalg::CompressedMatrix* compressed = nullptr;
    };
    TopsView topsForApart();

    // Sensors and sensor files.
    void addSensor(const std::string& name);
    bool saveSensors(const std::string& fileName) const;
    bool loadSensors(const std::string& fileName);

    // Genetic training of the sensors against rules; records trainingHistory. Progress is
    // shown on `shown`, whose keys cut a generation short or stop training; null: not shown.
    void train(const std::vector<Rule>& rules, int generations, int repetitions,
               int initialPopulation, int limit, support::TaskProgress* shown = nullptr);
    // One generation of the training population (Training.h tells its steps); the
    // decision maker ends with the best individual's sensors.
    void runGeneration(const std::vector<Rule>& rules, int repetitions, bool first,
                       TrainingProgress* progress = nullptr, EvaluationPlan plan = {});
    // The training population: descending fitness after every generation.
    const std::vector<Individual>& population() const { return population_; }
    // The population the next generation starts from, cut to `limit` after each.
    void startPopulation(std::vector<Individual> individuals, int limit);
    // Each rule's stimuli and intended actions, as ruleLabel (Inspection.h) gives them.
    std::vector<std::string> labelsOf(const std::vector<Rule>& rules) const;

    // Hands one generated text to the typed evaluator on the global list.
    void evaluateText(std::string_view text, bool global);
    void evaluateText(std::string_view text, bool global, tala::interp::Variable& result);

    // The W = memorySize x deltaSize x actionSize of the finished system.
    std::int64_t systemSize() const;
    // The size a sensor of the finished system has: memorySize x deltaSize.
    std::int64_t sensorSize() const { return std::int64_t{memorySize} * deltaSize; }

private:
    std::vector<Individual> population_;
    std::int32_t populationLimit_ = 100;

    // Tops with at most one entry in kSparseShare non-zero is multiplied in compressed form.
    static constexpr int kSparseShare = 8;

    // The compressed form of the Tops of that version, if it is sparse: shared with every
    // decision maker whose Tops is the same bit for bit (TopsForms.h).
    struct TopsForm {
        std::uint64_t version = 0;
        std::shared_ptr<const linalg::CompressedMatrix> compressed;
    };
    TopsForm topsForm;

    bool thinkDirectly();
    // The compressed form of tops if it is sparse, else null.
    const linalg::CompressedMatrix* compressedTops(const linalg::Matrix& tops);
    // product = tops x psi: by the compressed form when tops is sparse, else densely; the
    // same numbers. A product of the right shape keeps its storage.
    void multiplyByTops(const linalg::Matrix& tops, const linalg::Matrix& psi, linalg::Matrix& product);
    // The last thinking step's product, kept for its storage.
    tala::interp::Variable thinkProduct_;

    // Rows of the registers before, of and after the Action registers of a space.
    struct RegisterSplit {
        std::int32_t left, middle, right;
    };
    RegisterSplit splitAt(int space) const;
    bool isAction(int space, int action) const;
    // The probability of the action in a state of the system.
    double probabilityIn(int space, int action, const RegisterSplit& split, const linalg::Matrix& state) const;
    // The probability of the action from the distribution of the space's Action registers.
    double sumOverAction(int space, int action, std::int32_t middle, const std::vector<double>& distribution) const;
    // Measures `count` registers of the system QDM from number `first` on, in turn, each
    // outcome kept in the variable "Action.<space>.<i>.result".
    std::vector<std::int32_t> measureRegisters(int first, int count, int space);

    // The names of the register variables a decision reads: "Action.<space>.<index>"
    // or "Delta.<space>.<index>", then ".result", ".ket.<k>" or ".bra.<k>". Made once
    // each and kept; the reference lasts until the next call for a name out of range.
    enum class RegisterKind : std::uint8_t { Action, Delta };
    enum class RegisterPart : std::uint8_t { Result, Ket, Bra };
    // Each name comes with the handle that finds its entries.
    tala::interp::VariableHandle& registerName(RegisterKind kind, int space, int index, RegisterPart part,
                                               std::int32_t k = 0);
    std::unordered_map<std::uint64_t, tala::interp::VariableHandle> registerNames_;
    tala::interp::VariableHandle unkeyedName_;
    // The variables every step reads, found in the list once while it stays as it is.
    tala::interp::VariableHandle psi_{"psi.0"}, tops_{"Tops"}, system_{"QDM"}, init_{"psi.init"};
    // The value of the last variable of that name when it is a matrix with entries.
    const linalg::Matrix* matrixWithEntries(tala::interp::VariableHandle& name);
    // The register moves of recenter, by the versions of the kets and bras they are made of.
    KeptOperators keptOperators_;
    // The measuring text of measureRegisters done in place when its variables are as
    // the decision maker made them: false, with nothing drawn or changed, otherwise.
    bool measureDirectly(int subsystem, tala::interp::VariableHandle& result);
    linalg::Matrix& readMatrix(tala::interp::VariableHandle& name);
    std::int32_t readInteger(tala::interp::VariableHandle& name);
    // psi = (I_left (x) op (x) I_right) psi, by index arithmetic on the registers.
    void applyOnRegisters(linalg::Matrix& psi, std::int64_t left, const linalg::Matrix& op,
                          std::int64_t right);
};

}  // namespace vex
