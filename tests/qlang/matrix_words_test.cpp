// Matrix, operator and measurement words checked numerically against values
// computed independently of the words, and against hostile input.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "linalg/Matrix.h"
#include "qlang/Evaluate.h"
#include "tests/linalg/MatrixTestSupport.h"

namespace {

using linalg::Complex;
using linalg::Matrix;
using tala::interp::Variable;
using tala::interp::VariableTable;

class MatrixWords : public ::testing::Test {
protected:
    // For the words that print nothing, in loops: no output capture.
    Variable& quiet(const std::string& text) {
        result.release();
        qlang::evaluate(table, text, table.variables, result, false, true);
        return result;
    }
    // Evaluates one line as the shell does; console output is kept in `printed`.
    Variable& run(const std::string& text) {
        OutputCapture capture;
        quiet(text);
        printed = capture.text();
        return result;
    }
    std::string failureOf(const std::string& text) { return ::failureOf([&] { run(text); }); }
    void global(const std::string& text) { run("global (" + text + ")"); }
    Matrix matrixOf(const std::string& text) { return run(text).getMatrix(); }

    VariableTable table;
    Variable result;
    std::string printed;
};

std::complex<double> toStd(Complex z) { return {z.re, z.im}; }

TEST_F(MatrixWords, FourierMatrixHasTheRootsOfUnityScaled) {
    for (int n : {1, 2, 3, 4, 7}) {
        const Matrix f = matrixOf("matrix " + std::to_string(n) + " " + std::to_string(n) + " QFT");
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                const std::complex<double> expected =
                    std::polar(1.0 / std::sqrt(n), 2 * std::numbers::pi * j * k / n);
                EXPECT_LT(std::abs(toStd(f(j, k)) - expected), 1e-12) << n << ": " << j << ", " << k;
            }
        EXPECT_EQ(run("is_unitary (matrix " + std::to_string(n) + " " + std::to_string(n) + " UFT)")
                      .getInteger(),
                  1);
    }
}

TEST_F(MatrixWords, RandomUnitaryIsBuiltFromTheNamedAngles) {
    global("new array phi double 6");
    global("new array psi double 6");
    global("new array chi double 2");
    const std::vector<double> rotation = {0.3, -1.1, 0.7, 2.0, 0.05, -0.4};
    const std::vector<double> phase = {1.5, 0.2, -0.9, 0.6, 3.0, -2.2};
    const std::vector<double> offPhase = {0.8};
    for (int k = 0; k < 6; ++k) {
        run("set phi." + std::to_string(k) + " " + std::to_string(rotation[k]));
        run("set psi." + std::to_string(k) + " " + std::to_string(phase[k]));
    }
    run("set chi.0 " + std::to_string(offPhase[0]));
    run("set chi.1 5.0");  // never read

    const Matrix u = matrixOf("matrix 4 4 u_random phi psi chi");
    EXPECT_EQ(printed,
              "psi.0\nphi.0\nchi.0\n"
              "psi.1\nphi.1\npsi.2\nphi.2\nchi.0\n"
              "psi.3\nphi.3\npsi.4\nphi.4\npsi.5\nphi.5\nchi.0\n");
    // std::to_string keeps six decimals, which the literals above fit exactly.
    Matrix expected(4, 4);
    linalg::buildUnitary(rotation, phase, offPhase, expected);
    linalg::testing::expectSame(expected, u);
    EXPECT_TRUE(u.isUnitary());
}

TEST_F(MatrixWords, HugeSizesFailCleanly) {
    EXPECT_EQ(failureOf("matrix 100000 100000 zero"), "Matrix too large: 100000 x 100000 entries");
    EXPECT_EQ(failureOf("new matrix M 2147483647 2147483647"),
              "Matrix too large: 2147483647 x 2147483647 entries");
    // A system count far beyond the tokens fails at the first missing subsystem.
    EXPECT_EQ(failureOf("new system S (integer 2147483647)"), "getInteger error - type is NULL or not int");
    global("new integer Big.size");
    run("set Big.size 2147483647");
    global("new system Huge (integer 3) Big Big Big");
    EXPECT_EQ(failureOf("measure_distribution (matrix 2 1 zero) (get Huge) 1 p"), "Dot product error 1\n");
    EXPECT_EQ(failureOf("measure (matrix 2 1 zero) (get Huge) 1 p"), "Dot product error 1\n");
    run("apply_op (get Huge) 0 (matrix 2 2 ident) (matrix 2 1 zero)");
    EXPECT_EQ(printed, "Syntax error 'apply_op (get Huge) 0 (matrix 2 2 ident) (matrix 2 1 zero)'; "
                       "matrix wrong size for mult\n");
}

TEST_F(MatrixWords, MeasurementDrawsFollowTheProbabilities) {
    global("new space A 3");
    global("new system S (integer 1) A");
    global("new integer out");
    // p = (0.09, 0, 0.91): outcome 1 must never appear.
    const std::string measure =
        "measure (matrix 3 1 (complex 0.3 0) (complex 0 0) (complex 0 0.9539392014169456)) (get S) 0 out";
    std::srand(12345);
    std::vector<int> seen(3, 0);
    for (int n = 0; n < 4000; ++n) {
        quiet(measure);
        ++seen.at(quiet("get out").getInteger());
    }
    EXPECT_EQ(seen[1], 0);
    EXPECT_NEAR(seen[0] / 4000.0, 0.09, 0.02);
    EXPECT_NEAR(seen[2] / 4000.0, 0.91, 0.02);
}

TEST_F(MatrixWords, QubitMeasurementNeverPicksAnImpossibleOutcome) {
    // Find a seed whose first draw is exactly 0: the one draw that would choose
    // outcome 0 of probability 0 and divide by its square root.
    unsigned seed = 1;
    for (std::srand(seed); std::rand() % 10000 != 0; std::srand(++seed)) {
    }
    global("new integer out");
    std::srand(seed);
    const Matrix m = matrixOf("measure_qbit (matrix 2 1 (complex 0 0) (complex 0 1)) 0 out");
    EXPECT_EQ(run("get out").getInteger(), 1);
    EXPECT_EQ(m(0, 0).re, 0.0);
    EXPECT_EQ(m(1, 0).im, 1.0);
    EXPECT_TRUE(std::isfinite(m(0, 0).re) && std::isfinite(m(0, 0).im));
    // The same draw with outcome 0 possible still takes it.
    std::srand(seed);
    matrixOf("measure_qbit (matrix 2 1 (complex 0.6 0) (complex 0.8 0)) 0 out");
    EXPECT_EQ(run("get out").getInteger(), 0);
}

}  // namespace
