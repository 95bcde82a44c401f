// Matrix, operator and measurement words checked numerically against values
// computed independently of the words, and against hostile input.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <numbers>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "linalg/Failure.h"
#include "linalg/Matrix.h"
#include "qlang/Evaluate.h"

namespace {

using linalg::Complex;
using linalg::Matrix;
using tala::interp::Variable;
using tala::interp::VariableTable;

class MatrixWords : public ::testing::Test {
protected:
    // Evaluates one line as the shell does; console output is kept in `printed`.
    Variable& run(const std::string& text) {
        result.release();
        testing::internal::CaptureStdout();
        try {
            qlang::evaluate(table, text, table.variables, result, false, true);
        } catch (...) {
            printed = testing::internal::GetCapturedStdout();
            throw;
        }
        printed = testing::internal::GetCapturedStdout();
        return result;
    }
    std::string failureOf(const std::string& text) {
        try {
            run(text);
        } catch (const tala::Failure& failure) {
            return failure.what();
        }
        return "no failure";
    }
    // For the words that print nothing, in loops: no output capture.
    Variable& quiet(const std::string& text) {
        result.release();
        qlang::evaluate(table, text, table.variables, result, false, true);
        return result;
    }
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
    // A non-square request still scales by 1/sqrt(ROWS) and uses the ROWS-th root.
    const Matrix wide = matrixOf("matrix 2 3 QFT");
    EXPECT_LT(std::abs(toStd(wide(1, 2)) - std::polar(1 / std::sqrt(2.0), 2 * std::numbers::pi)), 1e-12);
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
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            EXPECT_EQ(u(r, c).re, expected(r, c).re);
            EXPECT_EQ(u(r, c).im, expected(r, c).im);
        }
    EXPECT_TRUE(u.isUnitary());
}

TEST_F(MatrixWords, RandomUnitaryNeedsDoubleAngles) {
    global("new array phi integer 1");
    global("new array psi double 1");
    global("new array chi double 1");
    EXPECT_EQ(failureOf("matrix 2 2 u_random phi psi chi"), "getInteger error - type is NULL or not double");
    EXPECT_EQ(printed, "psi.0\n");
}

TEST_F(MatrixWords, TensorKeepsTheFirstFactorMostSignificant) {
    std::mt19937 generator(1);
    std::uniform_int_distribution<int> digit(-4, 4);
    global("new matrix A 2 3");
    global("new matrix B 3 2");
    std::string aEntries, bEntries;
    for (int n = 0; n < 6; ++n) {
        aEntries += " (complex " + std::to_string(digit(generator)) + " " + std::to_string(digit(generator)) + ")";
        bEntries += " (complex " + std::to_string(digit(generator)) + " " + std::to_string(digit(generator)) + ")";
    }
    run("set A (matrix 2 3" + aEntries + ")");
    run("set B (matrix 3 2" + bEntries + ")");
    const Matrix a = matrixOf("get A");
    const Matrix b = matrixOf("get B");
    const Matrix t = matrixOf("tensor (get A) (get B)");
    ASSERT_EQ(t.rows(), 6);
    ASSERT_EQ(t.cols(), 6);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            EXPECT_EQ(toStd(t(i, j)), toStd(a(i / 3, j / 2)) * toStd(b(i % 3, j % 2)));
}

TEST_F(MatrixWords, ApplyOpActsOnTheNamedDigit) {
    // System [2, 3]: the basis state (o0, o1) sits at row 3 o0 + o1.
    global("new space Q 2");
    global("new space R 3");
    global("new system QR (integer 2) Q R");
    global("new matrix Shift 3 3");
    run("set Shift (matrix 3 3 (complex 0 0) (complex 0 0) (complex 1 0) (complex 1 0) (complex 0 0)"
        " (complex 0 0) (complex 0 0) (complex 1 0) (complex 0 0))");
    for (int o0 = 0; o0 < 2; ++o0)
        for (int o1 = 0; o1 < 3; ++o1) {
            const std::string state =
                "(tensor (get Q.ket." + std::to_string(o0) + ") (get R.ket." + std::to_string(o1) + "))";
            const Matrix out = matrixOf("apply_op (get QR) 1 (get Shift) " + state);
            const int expectedRow = 3 * o0 + (o1 + 1) % 3;
            for (int r = 0; r < 6; ++r) EXPECT_EQ(out(r, 0).re, r == expectedRow ? 1.0 : 0.0);
        }
}

TEST_F(MatrixWords, OutOfRangeElementsAreCaughtWithTheAccessReport) {
    global("new matrix M 2 2");
    run("get_element (get M) 5 5");
    EXPECT_FALSE(result.hasValue());
    EXPECT_TRUE(std::regex_match(printed, std::regex("Error 5 \\(.+, 5, 2, 5, 2\\)\n"
                                                     "Syntax error 'get_element \\(get M\\) 5 5': "
                                                     "Error 1 in operator\\(\\)\n")))
        << printed;
    run("set_element (get M) -1 0 1.5");
    EXPECT_FALSE(result.hasValue());
    EXPECT_NE(printed.find("Syntax error 'set_element (get M) -1 0 1.5': Error 1 in operator()\n"),
              std::string::npos);
}

TEST_F(MatrixWords, HugeSizesFailCleanly) {
    EXPECT_EQ(failureOf("matrix 100000 100000 zero"), "Matrix too large: 100000 x 100000 entries");
    EXPECT_EQ(failureOf("new matrix M 2147483647 2147483647"),
              "Matrix too large: 2147483647 x 2147483647 entries");
    run("new space S 2147483647");
    EXPECT_EQ(printed, "Syntax error - dim too large\n");
    EXPECT_EQ(failureOf("gate cnot 2147483647 0 1"),
              "Matrix too large: 2^2147483647 x 2^2147483647 entries");
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

TEST_F(MatrixWords, IntegerArithmeticWrapsInsteadOfOverflowing) {
    EXPECT_EQ(run("mult 2147483647 2").getInteger(), -2);
    EXPECT_EQ(run("subtract -2147483648 1").getInteger(), 2147483647);
    EXPECT_EQ(run("mod -2147483648 -1").getInteger(), 0);
    EXPECT_EQ(run("mod 5 -3").getInteger(), 2);  // the C remainder takes the sign of 5
    EXPECT_EQ(run("mod -5 -3").getInteger(), -5);  // -2, then -2 + -3
}

// --- Measurement ----------------------------------------------------------------

class Measurement : public MatrixWords {
protected:
    void SetUp() override {
        global("new space A 3");
        global("new system S (integer 1) A");
        global("new system SS (integer 2) A A");
        global("new integer out");
        global("new matrix st 1 1");
    }
    // Draw counts of "measure" over many runs, the generator seeded once.
    std::vector<int> counts(const std::string& state, const std::string& system, int subsystem,
                            int outcomes, int runs) {
        quiet("set st " + state);
        std::srand(12345);
        std::vector<int> seen(outcomes, 0);
        const std::string measure = "measure (get st) (get " + system + ") " + std::to_string(subsystem) + " out";
        for (int n = 0; n < runs; ++n) {
            quiet(measure);
            ++seen.at(quiet("get out").getInteger());
        }
        return seen;
    }
};

TEST_F(Measurement, DrawsFollowTheProbabilities) {
    // p = (0.09, 0, 0.91): outcome 1 must never appear.
    const std::vector<int> seen =
        counts("(matrix 3 1 (complex 0.3 0) (complex 0 0) (complex 0 0.9539392014169456))", "S", 0, 3, 4000);
    EXPECT_EQ(seen[1], 0);
    EXPECT_NEAR(seen[0] / 4000.0, 0.09, 0.02);
    EXPECT_NEAR(seen[2] / 4000.0, 0.91, 0.02);
}

TEST_F(Measurement, MarginalDrawsOfOneSubsystemOfTwo) {
    // Amplitudes 1/2 at (0,0), (0,1), (2,1) and (2,2): subsystem 1 has p = (1/4, 1/2, 1/4).
    const std::string state =
        "(matrix 9 1 (complex 0.5 0) (complex 0.5 0) (complex 0 0) (complex 0 0) (complex 0 0)"
        " (complex 0 0) (complex 0 0) (complex 0 -0.5) (complex 0.5 0))";
    const std::vector<int> seen = counts(state, "SS", 1, 3, 4000);
    EXPECT_NEAR(seen[0] / 4000.0, 0.25, 0.025);
    EXPECT_NEAR(seen[1] / 4000.0, 0.5, 0.025);
    EXPECT_NEAR(seen[2] / 4000.0, 0.25, 0.025);
    // The collapse keeps only digit 1 = 1, renormalised: (0,1) and (2,1) at 1/sqrt(2).
    std::srand(1);
    for (int n = 0; n < 50; ++n) {
        const Matrix collapsed = matrixOf("measure " + state + " (get SS) 1 out");
        if (run("get out").getInteger() != 1) continue;
        EXPECT_NEAR(collapsed(1, 0).re, std::sqrt(0.5), 1e-15);
        EXPECT_NEAR(collapsed(7, 0).im, -std::sqrt(0.5), 1e-15);
        EXPECT_EQ(collapsed(0, 0).re, 0.0);
        EXPECT_EQ(collapsed(8, 0).re, 0.0);
        return;
    }
    FAIL() << "outcome 1 never drawn";
}

TEST_F(Measurement, QubitMeasurementFollowsTheProbabilityOfBitZero) {
    // Rows 0..3: bit 1 clear in rows 0 and 1, which hold 0.2 of the norm.
    quiet("set st (matrix 4 1 (complex 0.4 0) (complex 0 0.2) (complex 0.8 0) (complex 0.4 0))");
    std::srand(99);
    int zeros = 0;
    const int runs = 4000;
    for (int n = 0; n < runs; ++n) {
        const Matrix m = quiet("measure_qbit (get st) 1 out").getMatrix();
        const int bit = quiet("get out").getInteger();
        zeros += bit == 0;
        const double norm = std::norm(toStd(m(0, 0))) + std::norm(toStd(m(1, 0))) +
                            std::norm(toStd(m(2, 0))) + std::norm(toStd(m(3, 0)));
        EXPECT_NEAR(norm, 1.0, 1e-12);
        EXPECT_EQ(m(bit == 0 ? 2 : 0, 0).re, 0.0);
    }
    EXPECT_NEAR(zeros / static_cast<double>(runs), 0.2, 0.02);
}

TEST_F(Measurement, QubitMeasurementNeverPicksAnImpossibleOutcome) {
    // Find a seed whose first draw is exactly 0: the one draw that would choose
    // outcome 0 of probability 0 and divide by its square root.
    unsigned seed = 1;
    for (std::srand(seed); std::rand() % 10000 != 0; std::srand(++seed)) {
    }
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

TEST_F(Measurement, DistributionOfAFiveFactorSystemMatchesItsMarginals) {
    // A product state: the marginal of each subsystem is its own factor's distribution.
    global("new space B 2");
    global("new space C 3");
    global("new space D 5");
    global("new system Big (integer 5) B C C D D");
    const std::string b = "(matrix 2 1 (complex 0.6 0) (complex 0 0.8))";
    const std::string c = "(matrix 3 1 (complex 0.6 0) (complex 0 0) (complex 0.8 0))";
    const std::string d = "(matrix 5 1 (complex 0 0) (complex 0.6 0) (complex 0 0) (complex 0 0) (complex 0 0.8))";
    const std::string state = "(tensor (tensor (tensor (tensor " + b + " " + c + ") " + c + ") " + d + ") " + d + ")";
    const std::vector<std::vector<double>> expected = {
        {0.36, 0.64}, {0.36, 0, 0.64}, {0.36, 0, 0.64}, {0, 0.36, 0, 0, 0.64}, {0, 0.36, 0, 0, 0.64}};
    for (int k = 0; k < 5; ++k) {
        const std::vector<double> p =
            run("measure_distribution " + state + " (get Big) " + std::to_string(k) + " none").getVector();
        ASSERT_EQ(p.size(), expected[k].size());
        for (std::size_t v = 0; v < p.size(); ++v) EXPECT_NEAR(p[v], expected[k][v], 1e-12) << k << ", " << v;
    }
}

}  // namespace
