// Words that build, convert and compute single values: conversions, complex
// numbers, powers, roots and the elementary functions.
// Integer words compute in 32-bit two's complement arithmetic: results that leave
// the range wrap around instead of overflowing.

#include <cmath>
#include <cstdint>

#include "support/Reporting.h"
#include "interp/Variable.h"
#include "linalg/Complex.h"
#include "linalg/Matrix.h"
#include "interp/InterpreterCore.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {
namespace {

using tala::interp::TypedNumbers;
using tala::interp::Variable;

constexpr double kTwoPi = 6.283185307179586;

// An integer argument widened to double; anything else must be a double.
double readNumber(const Variable& value) {
    if (value.typeName == "integer") return value.getInteger();
    return value.getDouble();
}

std::int32_t wrappingProduct(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// base^exponent in wrapping 32-bit arithmetic: the same as multiplying the base in
// `exponent` times, without taking that many steps.
std::int32_t wrappingPower(std::int32_t base, std::int32_t exponent) {
    std::int32_t result = 1;
    while (exponent > 0) {
        if (exponent & 1) result = wrappingProduct(result, base);
        base = wrappingProduct(base, base);
        exponent >>= 1;
    }
    return result;
}

void word_integer(QuantumCall& call) {
    const Variable x = call.valueArg(1);
    call.result.setInteger(x.typeName == "integer" ? x.getInteger() : TypedNumbers::integer(x.getString()));
}

void word_double(QuantumCall& call) {
    const Variable x = call.valueArg(1);
    call.result.setDouble(x.typeName == "double" ? x.getDouble() : TypedNumbers::real(x.getString()));
}

void word_real(QuantumCall& call) { call.result.setDouble(call.complexArg(1).re); }

// One part of "complex": a string, double or integer, as a double.
bool readComplexPart(const Variable& value, double& part) {
    if (value.typeName == "string") {
        part = TypedNumbers::real(value.getString());
    } else if (value.typeName == "double") {
        part = value.getDouble();
    } else if (value.typeName == "integer") {
        part = value.getInteger();
    } else {
        return false;
    }
    return true;
}

void word_complex(QuantumCall& call) {
    const auto [a, b] = call.valueArgs<2>(1);
    double re = 0.0;
    double im = 0.0;
    if (!readComplexPart(a, re) || !readComplexPart(b, im)) {
        call.report("'\n");
        return;
    }
    call.result.setComplex(re, im);
}

void word_cast(QuantumCall& call) {
    const auto [type, x] = call.valueArgs<2>(1);
    if (type.getString() != "complex") return;
    if (x.typeName != "double") {
        call.report("'; cast argument type not recognized.\n");
        return;
    }
    call.result.setComplex(x.getDouble(), 0.0);
}

void word_neg(QuantumCall& call) {
    const Variable x = call.valueArg(1);
    if (x.typeName == "integer") {
        call.result.setInteger(wrappingProduct(x.getInteger(), -1));
    } else if (x.typeName == "double") {
        call.result.setDouble(-x.getDouble());
    } else if (x.typeName == "complex") {
        const linalg::Complex z = x.getComplex();
        call.result.setComplex(-z.re, -z.im);
    }
}

void word_inv(QuantumCall& call) { call.result.setDouble(1.0 / readNumber(call.valueArg(1))); }

void word_sqrt(QuantumCall& call) { call.result.setDouble(std::sqrt(readNumber(call.valueArg(1)))); }

void word_pow2(QuantumCall& call) { call.result.setInteger(wrappingPower(2, call.integerArg(1))); }

void word_pow(QuantumCall& call) {
    const auto [a, b] = call.valueArgs<2>(1);
    if (a.typeName == "matrix") return;
    if (a.typeName == "complex") {
        call.result.setComplex(linalg::power(a.getComplex(), b.getInteger()));
        return;
    }
    if (a.typeName == "integer" && b.typeName == "integer") {
        call.result.setInteger(wrappingPower(a.getInteger(), b.getInteger()));
        return;
    }
    call.result.setDouble(std::pow(a.getDouble(), b.getDouble()));
}

// base^exponent remainder modulus, each step's remainder taking the sign of its
// dividend as C's does. Works on magnitudes in 64 bits (no step can overflow) and
// squares instead of stepping, so any exponent is quick.
std::int32_t powerRemainder(std::int32_t base, std::int32_t exponent, std::int32_t modulus) {
    if (exponent <= 0) return 1;
    const std::int64_t m = std::abs(static_cast<std::int64_t>(modulus));
    std::int64_t square = std::abs(static_cast<std::int64_t>(base)) % m;
    std::int64_t magnitude = 1 % m;
    const bool negative = base < 0 && (exponent & 1);
    for (std::int32_t e = exponent; e > 0; e >>= 1) {
        if (e & 1) magnitude = magnitude * square % m;
        square = square * square % m;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

void word_powm(QuantumCall& call) {
    const auto [base, exponent, modulus] = call.valueArgs<3>(1);
    const std::int32_t b = base.getInteger();
    const std::int32_t e = exponent.getInteger();
    const std::int32_t m = modulus.getInteger();
    if (m == 0) {
        call.report("'; modulus is 0\n");
        return;
    }
    call.result.setInteger(powerRemainder(b, e, m));
}

void word_exp(QuantumCall& call) {
    const Variable z = call.valueArg(1);
    if (z.typeName != "complex") return;
    const linalg::Complex value = z.getComplex();
    const double scale = std::exp(value.re);
    call.result.setComplex(scale * std::cos(value.im), scale * std::sin(value.im));
}

void word_sin(QuantumCall& call) { call.result.setDouble(std::sin(call.doubleArg(1))); }

void word_cos(QuantumCall& call) { call.result.setDouble(std::cos(call.doubleArg(1))); }

void word_rootOfUnity(QuantumCall& call) {
    const std::int32_t n = call.integerArg(1);
    if (n == 0) {
        call.report("'; division by zero\n");
        return;
    }
    call.result.setComplex(linalg::fromAngle(kTwoPi / static_cast<double>(n)));
}

void word_cnorm(QuantumCall& call) {
    const Variable z = call.valueArg(1);
    linalg::Complex value;
    if (z.typeName == "matrix") {
        const linalg::Matrix& m = z.getMatrix();
        if (m.entryCount() != 1) {
            support::out() << "Matrix not size 1 in cnorm; '" << call.text << "'\n";
            support::noteProblem();
            return;
        }
        value = m(0, 0);
    } else {
        value = z.getComplex();
    }
    linalg::normSquared(value);
    call.result.setComplex(value);
}

constexpr WordEntry kScalarWords[] = {
    {"integer", word_integer, "X", "X as an integer: an integer as it is, a string by its leading number (0 if none).",
     "print (integer 7)"},
    {"double", word_double, "X", "X as a double: a double as it is, a string by its leading number (0 if none).",
     "print (double 1.0)"},
    {"real", word_real, "Z", "The real part of the complex Z.", "print (real (complex 1 2))"},
    {"complex", word_complex, "A B", "The complex A + B i, each part a string, double or integer.",
     "print (complex 1 2)"},
    {"cast", word_cast, "complex X", "The double X as a complex number.", "print (cast complex 2.5)"},
    {"neg", word_neg, "X", "-X, for an integer, double or complex X.", "print (neg 5)"},
    {"inv", word_inv, "X", "1 / X as a double.", "print (inv 4)"},
    {"sqrt", word_sqrt, "X", "The square root of X as a double.", "print (sqrt 2)"},
    {"pow2", word_pow2, "N", "2 to the power N as an integer (1 for N <= 0).", "print (pow2 10)"},
    {"pow", word_pow, "A B",
     "A to the power B: an integer for integers, a complex for a complex A, else a double.", "print (pow 2 10)"},
    {"powm", word_powm, "B E M", "B to the power E, remainder M, as integers.", "print (powm 3 4 5)"},
    {"exp", word_exp, "Z", "e to the power of the complex Z.", "print (exp (complex 0 1))"},
    {"sin", word_sin, "X", "The sine of the double X, in radians.", "print (sin 1.0)"},
    {"cos", word_cos, "X", "The cosine of the double X, in radians.", "print (cos 1.0)"},
    {"rootOfUnity", word_rootOfUnity, "N", "The complex N-th root of unity cos(2 pi/N) + i sin(2 pi/N).",
     "print (rootOfUnity 4)"},
    {"cnorm", word_cnorm, "Z", "The squared magnitude of Z (a complex or a 1 x 1 matrix), as a complex.",
     "print (cnorm (complex 3 4))"},
};

}  // namespace

WordGroup scalarWords() { return {"scalars", kScalarWords}; }

}  // namespace qlang
