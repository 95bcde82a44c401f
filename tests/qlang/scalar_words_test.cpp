// Scalar words checked against independent computations: stepwise remainders,
// repeated multiplication, and identities of complex numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "linalg/Complex.h"
#include "qlang/Evaluate.h"

namespace {

using tala::interp::Variable;
using tala::interp::VariableTable;

class ScalarWords : public ::testing::Test {
protected:
    Variable& run(const std::string& text) {
        result.release();
        qlang::evaluate(table, text, table.variables, result, false, true);
        return result;
    }

    VariableTable table;
    Variable result;
    std::mt19937 numbers{2024};
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(numbers); }
};

TEST_F(ScalarWords, PowmAgreesWithStepwiseRemainders) {
    // Small enough operands that no step of the plain loop overflows.
    for (int n = 0; n < 500; ++n) {
        const int base = between(-46340, 46340);
        const int exponent = between(-3, 300);
        int modulus = between(-46340, 46340);
        if (modulus == 0) modulus = 1;
        int r = 1;
        for (int e = 0; e < exponent; ++e) r = (r * base) % modulus;
        const std::string text =
            "powm " + std::to_string(base) + " " + std::to_string(exponent) + " " + std::to_string(modulus);
        EXPECT_EQ(run(text).getInteger(), r) << text;
    }
}

TEST_F(ScalarWords, IntegerPowersWrapLikeRepeatedMultiplication) {
    for (int n = 0; n < 300; ++n) {
        const int base = between(-60, 60);
        const int exponent = between(-2, 45);
        std::uint32_t product = 1;
        for (int e = 0; e < exponent; ++e) product *= static_cast<std::uint32_t>(base);
        const auto expected = static_cast<std::int32_t>(product);
        const std::string text = "pow " + std::to_string(base) + " " + std::to_string(exponent);
        EXPECT_EQ(run(text).getInteger(), expected) << text;
        if (base == 2) {
            EXPECT_EQ(run("pow2 " + std::to_string(exponent)).getInteger(), expected);
        }
    }
}

TEST_F(ScalarWords, ComplexPowerMatchesRepeatedMultiplication) {
    const linalg::Complex z{0.8, -1.3};
    linalg::Complex product{1.0, 0.0};
    for (int n = 1; n <= 7; ++n) {
        product = product * z;
        const linalg::Complex got = run("pow (complex 0.8 -1.3) " + std::to_string(n)).getComplex();
        EXPECT_NEAR(got.re, product.re, 1e-9);
        EXPECT_NEAR(got.im, product.im, 1e-9);
    }
}

TEST_F(ScalarWords, RootsOfUnityAndPhasesHaveUnitNorm) {
    for (int n = 1; n <= 9; ++n) {
        const linalg::Complex one = run("pow (rootOfUnity " + std::to_string(n) + ") " + std::to_string(n)).getComplex();
        EXPECT_NEAR(one.re, 1.0, 1e-12);
        EXPECT_NEAR(one.im, 0.0, 1e-12);
        const linalg::Complex norm = run("cnorm (exp (complex 0 " + std::to_string(0.7 * n) + "))").getComplex();
        EXPECT_NEAR(norm.re, 1.0, 1e-12);
        EXPECT_EQ(norm.im, 0.0);
    }
}

TEST_F(ScalarWords, NegationIsItsOwnInverse) {
    EXPECT_EQ(run("neg (neg 123)").getInteger(), 123);
    EXPECT_EQ(run("neg (neg -2147483648)").getInteger(), INT32_MIN);
    EXPECT_DOUBLE_EQ(run("neg (neg 0.375)").getDouble(), 0.375);
    EXPECT_EQ(run("neg (neg (complex 1.5 -2))").getComplex(), (linalg::Complex{1.5, -2.0}));
}

}  // namespace
