// The decision maker against the long way (LiteralRoutes.h): sensors, thinking and training's fitness; its
// action odds for a state of known shares, and what a steering host asks of it. Decisions: golden/decide.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "testsupport/DecisionFixture.h"
#include "testsupport/LiteralRoutes.h"
#include "decision/SteeringQuestions.h"
#include "decision/TopsForms.h"
#include "decision/Training.h"
#include "tests/linalg/MatrixTestSupport.h"
namespace {
using linalg::testing::expectSame;
linalg::Matrix& psi(vex::QDM& qdm) { return literal::variableMatrix(qdm, "psi.0"); }
std::unique_ptr<vex::QDM> flock() { return fixture::flockSystem({{"forward", {0}}, {"left", {1}}, {"right", {-1}}}); }
// Sensor "left" applied, seeded alike every time, to the flock's decision maker (whose Tops is a shift) or
// the fixture's with the Fourier Tops; `dense` applies it the long way.
std::unique_ptr<vex::QDM> stimulated(bool shift, bool dense = false) {
    std::srand(5);
    auto qdm = shift ? flock() : fixture::finishedDecisionMaker();
    qdm->addSensor("left");
    if (dense) literal::applyOp(*qdm, "left"); else qdm->applyOp("left");
    return qdm;
}

// Steps of "left", think and decide: the names decided, what they printed and the next draw,
// leaving the state in `state`. `beforeStep` may change the decision maker first.
template <typename BeforeStep>
std::string decideSteps(vex::QDM& qdm, int steps, linalg::Matrix& state, BeforeStep beforeStep) {
    std::string names;
    OutputCapture printed;
    for (int step = 0; step < steps; ++step) {
        beforeStep(step);
        qdm.applyOp("left");
        qdm.think();
        names += qdm.decideName(0) + " ";
    }
    state = psi(qdm);
    return names + printed.take() + std::to_string(std::rand());
}

TEST(SensorOperator, AsLargeAsTheWholeSystemActsOnTheWholeState) {
    auto qdm = stimulated(false);
    qdm->think();  // weight on every register
    std::mt19937 generator(3);
    const linalg::Matrix op = linalg::testing::randomMatrix(450, 450, generator);
    const linalg::Matrix expected = literal::apply(1, op, 1, psi(*qdm));
    qdm->applySensorOperator(op);
    expectSame(expected, psi(*qdm), 1e-12);
}

// A shift has one non-zero per column and goes the compressed way; the Fourier Tops is dense. Either way the
// steps equal the dense product bit for bit, also after Tops is written through its matrix between steps.
TEST(Thinking, EqualsTheDenseProductForSparseAndDenseTopsAndSeesTopsChangedInPlace) {
    for (const bool shift : {true, false}) {
        auto fast = stimulated(shift), dense = stimulated(shift, true);
        const auto step = [&] { fast->think(); literal::think(*dense); expectSame(psi(*dense), psi(*fast)); };
        for (int n = 0; n < 3; ++n) { step(); fast->applyOp("left"); literal::applyOp(*dense, "left"); }
        for (vex::QDM* qdm : {fast.get(), dense.get()}) {
            linalg::Matrix& tops = literal::variableMatrix(*qdm, "Tops");
            tops(3, 7) = {0.5, -0.5};
            tops.data()[0] = {0.0, 2.0};
        }
        step();
        for (vex::QDM* qdm : {fast.get(), dense.get()}) literal::variableMatrix(*qdm, "Tops").fill({0.25, 0.0});
        step();  // dense now
    }
}

// Rules replayed side by side, or in turn on psi.0 (a variable stands in the way of the measuring text), give
// the same fitness and psi.0 for a dense and a compressed Tops, repeating and single rules, several lists.
TEST(TrainingFitness, RulesSideBySideScoreAsRulesInTurn) {
    const std::vector<vex::Rule> rules = {{{{"left"}}, 0, {{0, 0, 1.0}}},
                                          {{{"right"}, {"left", "right"}}, 1, {{2, 0, 0.5}, {1, 0, 0.25}}},
                                          {{}, 0, {{1, 0, 1.0}}},
                                          {{{"left"}, {"nobody"}, {"right"}}, 0, {{0, 0, 0.3}}}};
    for (const bool shift : {false, true}) {
        auto together = stimulated(shift), inTurn = stimulated(shift);
        inTurn->evaluateText("new integer QDM-temp-guard", true);
        for (vex::QDM* qdm : {together.get(), inTurn.get()}) { std::srand(9); qdm->addSensor("right"); }
        vex::Individual first, second;
        first.sensors = second.sensors = together->sensors;
        vex::evaluateFitness(*together, first, rules, 5);
        vex::evaluateFitness(*inTurn, second, rules, 5);
        EXPECT_EQ(second.fitness, first.fitness);
        EXPECT_EQ(second.ruleFitness, first.ruleFitness);
        expectSame(psi(*inTurn), psi(*together));
    }
}

// Points (1, 0), (0, 1), (-1, 0) sit at cells (3, 2), (2, 3), (1, 2) of the 5 x 5 grid. Cell (4, 4) is as near
// the first as the second and counts for the first, (2, 4) is nearest the second, (0, 0) the third. psi.0
// holds shares 0.5, 0.2, 0.3 there, in various Memory and Delta registers: index (m * 9 + d) * 25 + 5 x + y.
TEST(ActionProbability, SumsTheCellsNearestEachActionAndIsZeroOutsideTheSpacesAndActions) {
    auto qdm = fixture::finishedDecisionMaker();
    psi(*qdm).fill({0.0, 0.0});
    psi(*qdm)(324, 0) = {0.5, 0.5};             // m 1, d 3, cell (4, 4)
    psi(*qdm)(239, 0) = {0.0, std::sqrt(0.2)};  // m 1, d 0, cell (2, 4)
    psi(*qdm)(200, 0) = {std::sqrt(0.3), 0.0};  // m 0, d 8, cell (0, 0)
    // Action 3 is one past the last point: no cell maps to it.
    for (const auto& [space, action] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 3}, {0, 4}})
        EXPECT_EQ(0.0, qdm->actionProbability(space, action)) << space << " " << action;
    // The measuring text writes any variable named like its temporaries; with one about, the text itself runs.
    const double expected[] = {0.5, 0.2, 0.3};
    for (const std::string guard : {"", "new integer QDM-temp-Space.1.size"}) {
        if (!guard.empty()) qdm->evaluateText(guard, true);
        for (int action = 0; action < 3; ++action)
            EXPECT_NEAR(expected[action], qdm->actionProbability(0, action), 1e-12) << guard << " " << action;
    }
    tala::interp::Variable written;
    tala::interp::lookup(qdm->variables, "QDM-temp-Space.1.size", written);
    EXPECT_EQ(25, written.getInteger());
}

TEST(NearestAction, AnswersZeroWithoutFillingForMismatchesAndEmptySpaces) {
    vex::QDM qdm;
    vex::ActionSpace space, empty;
    space.points = {{"a", {0, 0}}, {"short", {9}}, {"b", {5, 5}}};
    qdm.actionSpaces = {space, empty};
    vex::ActionPoint chosen{"untouched", {}};
    EXPECT_EQ(0, qdm.nearestAction(0, {5}, &chosen));
    EXPECT_EQ(0, qdm.nearestAction(1, {}, &chosen));
    EXPECT_EQ(0, qdm.nearestAction(2, {0, 0}, &chosen));
    EXPECT_EQ("untouched", chosen.name);
    EXPECT_EQ(1, qdm.nearestAction(0, {4, 4}));  // a point with another coordinate count counts as distance 0
}

constexpr const char* kActions[] = {"forward", "left", "right"};
constexpr const char* kStimuli[] = {"center", "left", "right"};

TEST(SteeringQuestions, NameTheFirstMissingPieceAndNothingOnceAllFit) {
    auto qdm = flock();
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli), "no sensor named 'center'");
    for (const char* name : kStimuli) qdm->addSensor(name);
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli), "");
    const char* up[] = {"up"};
    EXPECT_EQ(vex::steeringProblem(*qdm, up, kStimuli), "action space 0 has no action 'up'");
    const std::string size = std::to_string(qdm->sensorSize());
    qdm->sensors[1].unitary.resize(2, 2);
    EXPECT_EQ(vex::steeringSensorProblem(*qdm, kStimuli),
              "sensor 'left' is 2 x 2, the decision maker needs " + size + " x " + size);
    qdm->sensors[1].unitary.resize(static_cast<int>(qdm->systemSize()), static_cast<int>(qdm->systemSize()));
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli), "");  // a whole-system sensor applies too
    literal::variableMatrix(*qdm, "Tops").resize(2, 2);
    EXPECT_EQ(vex::steeringProblem(*qdm, kActions, kStimuli),
              "the decision maker was not finalised (no state psi.0 or transition operator Tops of its size)");
}

TEST(SteeringQuestions, OddsAreTheActionProbabilitiesAndChangeNothing) {
    auto qdm = stimulated(true);
    qdm->think();
    const linalg::Matrix before = psi(*qdm);
    std::srand(4);
    const char* asked[] = {"right", "forward", "left"};
    const auto odds = vex::actionOdds(*qdm, asked);
    const int next = std::rand();
    std::srand(4);
    EXPECT_EQ(next, std::rand());  // no draw
    ASSERT_TRUE(odds.has_value());
    EXPECT_EQ(*odds, std::vector<double>({qdm->actionProbability(0, 2), qdm->actionProbability(0, 0),
                                          qdm->actionProbability(0, 1)}));
    EXPECT_NEAR((*odds)[0] + (*odds)[1] + (*odds)[2], 1.0, 1e-9);
    EXPECT_EQ(0, std::memcmp(before.data(), psi(*qdm).data(), sizeof(linalg::Complex) * before.entryCount()));
    const char* unknown[] = {"forward", "up"};
    EXPECT_FALSE(vex::actionOdds(*qdm, unknown).has_value());
}


// Decision makers whose Tops are equal bit for bit share one compressed form. The steps of "left", think and
// decide from one seed: the names, printout and next draw, and the state they leave in `state`.
std::string flown(vex::QDM& qdm, linalg::Matrix& state) {
    std::srand(11);
    return decideSteps(qdm, 24, state, [](int) {});
}
const linalg::CompressedMatrix* formOf(vex::QDM& qdm) { return qdm.topsForApart().compressed; }
// One thinking step, which must be Tops x psi.0 as the dense product gives it.
void expectDenseThinking(vex::QDM& qdm) {
    linalg::Matrix expected;
    linalg::multiply(literal::variableMatrix(qdm, "Tops"), expected, psi(qdm));
    qdm.think();
    expectSame(expected, psi(qdm), 0.0);
}
// The entry of Tops that carries psi.0's largest part (its column's one non-zero).
std::pair<int, int> carryingEntry(vex::QDM& qdm) {
    const linalg::Matrix& state = psi(qdm);
    int from = 0;
    for (int r = 1; r < state.rows(); ++r)
        if (std::abs(state(r, 0).re) + std::abs(state(r, 0).im) > std::abs(state(from, 0).re) + std::abs(state(from, 0).im))
            from = r;
    const linalg::Matrix& tops = literal::variableMatrix(qdm, "Tops");
    for (int to = 0; to < tops.rows(); ++to)
        if (tops(to, from).re != 0.0 || tops(to, from).im != 0.0) return {to, from};
    return {-1, from};
}

TEST(SharedTops, EqualTopsShareOneFormThatDecidesAsOneAloneAndOneBitApartDoNot) {
    linalg::Matrix aloneState, firstState, secondState;
    std::string alone;
    {
        auto qdm = stimulated(true);
        alone = flown(*qdm, aloneState);
    }
    auto first = stimulated(true), second = stimulated(true), apart = stimulated(true);
    ASSERT_NE(formOf(*first), nullptr);
    EXPECT_EQ(formOf(*first), formOf(*second));
    EXPECT_EQ(alone, flown(*first, firstState));
    EXPECT_EQ(alone, flown(*second, secondState));
    expectSame(aloneState, firstState, 0.0);
    expectSame(aloneState, secondState, 0.0);
    EXPECT_EQ(formOf(*first), formOf(*second));

    // The last bit of the entry that matters: a form of its own, and thinking by it.
    const auto [to, from] = carryingEntry(*apart);
    ASSERT_GE(to, 0);
    literal::variableMatrix(*apart, "Tops")(to, from).re = std::nextafter(1.0, 2.0);
    ASSERT_NE(formOf(*apart), nullptr);
    EXPECT_NE(formOf(*apart), formOf(*first));
    expectDenseThinking(*apart);
}

// `set Tops` on one asks again: equal bits find the shared form, others a form of their own, and the other
// decision maker keeps its form and its decisions. Its Tops set back bit for bit, it shares again.
TEST(SharedTops, SetTopsOnOneChangesNeitherTheOthersFormNorItsDecisions) {
    linalg::Matrix aloneState, otherState;
    std::string alone;
    {
        auto qdm = stimulated(true);
        alone = flown(*qdm, aloneState);
    }
    auto changed = stimulated(true), other = stimulated(true);
    const linalg::CompressedMatrix* shared = formOf(*other);
    ASSERT_NE(shared, nullptr);
    changed->evaluateText("set Tops (get Tops)", true);
    EXPECT_EQ(shared, formOf(*changed));
    const linalg::Matrix original = literal::variableMatrix(*changed, "Tops");

    changed->evaluateText("set Tops (mult (get Tops) (get Tops))", true);  // two moves a step: sparse still
    ASSERT_NE(formOf(*changed), nullptr);
    EXPECT_NE(shared, formOf(*changed));
    for (int step = 0; step < 3; ++step) expectDenseThinking(*changed);
    EXPECT_EQ(shared, formOf(*other));
    EXPECT_EQ(alone, flown(*other, otherState));
    expectSame(aloneState, otherState, 0.0);

    literal::variableMatrix(*changed, "Tops") = original;
    EXPECT_EQ(shared, formOf(*changed));
    expectDenseThinking(*changed);
}

// More distinct forms than are remembered: each multiplies as its own matrix, held ones beyond the bound
// included; the last asked for is handed out again, the first is made afresh. A -0 among the zeros is not
// told by a form, so that matrix has its own; a dense matrix has none, and forms nobody holds are forgotten.
TEST(SharedTops, FormsPastTheBoundStayTheirMatricesAndOnlyTheRememberedAreShared) {
    const int n = 27;
    std::mt19937 generator(4);
    const linalg::Matrix column = linalg::testing::randomMatrix(n, 1, generator);
    const auto expectProduct = [&](const linalg::Matrix& dense, const linalg::CompressedMatrix& form) {
        linalg::Matrix expected, actual;
        linalg::multiply(dense, expected, column);
        ASSERT_TRUE(form.multiply(column, actual));
        expectSame(expected, actual, 0.0);
    };
    const int count = static_cast<int>(vex::kMaxSharedForms) + 8;
    std::vector<linalg::Matrix> matrices;
    std::vector<std::shared_ptr<const linalg::CompressedMatrix>> forms;
    for (int k = 0; k < count; ++k) {
        linalg::Matrix shift(n, n);
        for (int c = 0; c < n; ++c) shift((c + k) % n, c) = {1.0 + k, -0.5 * (c % 3)};
        forms.push_back(vex::sharedCompressedForm(shift, 8));
        matrices.push_back(std::move(shift));
        ASSERT_NE(forms.back(), nullptr);
    }
    EXPECT_EQ(vex::sharedFormsRemembered(), vex::kMaxSharedForms);
    for (int k = 0; k < count; ++k) expectProduct(matrices[k], *forms[k]);
    EXPECT_EQ(forms.back(), vex::sharedCompressedForm(linalg::Matrix(matrices.back()), 8));
    const auto again = vex::sharedCompressedForm(matrices.front(), 8);
    EXPECT_NE(forms.front(), again);
    expectProduct(matrices.front(), *again);

    linalg::Matrix signedZero = matrices.back();
    signedZero(1, 0).im = -0.0;
    const auto own = vex::sharedCompressedForm(signedZero, 8);
    EXPECT_NE(own, forms.back());
    expectProduct(signedZero, *own);
    EXPECT_NE(own, vex::sharedCompressedForm(signedZero, 8));
    EXPECT_EQ(vex::sharedCompressedForm(linalg::testing::randomMatrix(n, n, generator), 8), nullptr);

    forms.clear();
    EXPECT_EQ(vex::sharedFormsRemembered(), 1u);  // `again`
}
}  // namespace

// Measuring in place draws as the measuring text does and leaves the same state, decision after decision.
TEST(Decisions, MeasuredInPlaceAsByTheirTextDrawForDrawAndBitForBit) {
    for (const bool shift : {true, false}) {
        auto decisions = [&](bool inPlace, linalg::Matrix& state) {
            auto qdm = stimulated(shift);
            qdm->measureInPlace = inPlace;
            return decideSteps(*qdm, 30, state, [](int) {});
        };
        linalg::Matrix inPlace, byText;
        EXPECT_EQ(decisions(true, inPlace), decisions(false, byText)) << shift;
        expectSame(byText, inPlace, 0.0);
    }
}

// Kept register moves are the ones built afresh, also after a script changes a ket or a
// bra they were built from (a new version: the kept one is not served).
TEST(Decisions, KeptRegisterMovesAreTheOnesBuiltAfresh) {
    for (const bool shift : {true, false}) {
        auto decisions = [&](bool keep, linalg::Matrix& state) {
            auto qdm = stimulated(shift);
            qdm->keepOperators = keep;
            return decideSteps(*qdm, 40, state, [&](int step) {
                if (step == 15 || step == 25) {
                    for (int k = 0; k < 9; ++k) {
                        const std::string ket = "Action.0.0.ket." + std::to_string(k);
                        if (tala::interp::findLast(qdm->variables, ket) == nullptr) continue;
                        literal::variableMatrix(*qdm, ket).scale({step == 15 ? 0.5 : 2.0, 0.0});
                    }
                    if (tala::interp::findLast(qdm->variables, "Delta.0.0.bra.1") != nullptr)
                        literal::variableMatrix(*qdm, "Delta.0.0.bra.1").scale({0.0, 1.0});
                }
            });
        };
        linalg::Matrix kept, afresh;
        EXPECT_EQ(decisions(true, kept), decisions(false, afresh)) << shift;
        expectSame(afresh, kept, 0.0);
    }
}

// The decision maker finds psi.0, Tops and its registers once, and follows the variables a script changes
// between steps: entries before them deleted (everything after moves up), a register deleted and made again
// at the end, a second psi.0 and a second result (the last is read, every one written).
TEST(Decisions, FollowTheVariablesAScriptDeletesMakesAgainOrDoublesBetweenSteps) {
    auto untouched = [](linalg::Matrix& state) {
        auto qdm = stimulated(true);
        return decideSteps(*qdm, 12, state, [](int) {});
    };
    auto changed = [](linalg::Matrix& state) {
        auto qdm = stimulated(true);
        return decideSteps(*qdm, 12, state, [&](int step) {
            if (step == 3) qdm->evaluateText("delete Delta.0.0.dir.0", false);
            if (step == 5) {
                qdm->evaluateText("delete Action.0.0.result", false);
                qdm->evaluateText("new integer Action.0.0.result", true);
            }
        });
    };
    linalg::Matrix before, after;
    EXPECT_EQ(untouched(before), changed(after));
    expectSame(before, after, 0.0);

    auto qdm = stimulated(true);
    qdm->think();
    qdm->evaluateText("begin (new matrix psi.0 (integer 27) (integer 1) ) (new integer Action.0.0.result)", true);
    const tala::interp::Variable& last = qdm->variables[qdm->variables.size() - 2];
    ASSERT_EQ(last.name, "psi.0");
    linalg::Matrix& second = last.getMatrix();
    second = literal::variableMatrix(*qdm, "psi.init");
    linalg::Matrix expected;
    linalg::multiply(literal::variableMatrix(*qdm, "Tops"), expected, second);
    qdm->think();
    for (const tala::interp::Variable& entry : qdm->variables)
        if (entry.name == "psi.0") expectSame(expected, entry.getMatrix(), 0.0);
    qdm->decideName(0);
    std::vector<std::int32_t> results;
    for (const tala::interp::Variable& entry : qdm->variables)
        if (entry.name == "Action.0.0.result") results.push_back(entry.getInteger());
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0], results[1]);
}
