// Words that build, convert and compute single values: integer, double, real,
// complex, cast, neg, inv, sqrt, pow2, pow, powm, exp, sin, cos, rootOfUnity, cnorm.
// Integer words compute in 32-bit two's complement arithmetic: results that leave
// the range wrap around instead of overflowing.

#include <cmath>
#include <cstdint>
#include <iostream>
#include <span>
#include <string>

#include "interp/Variable.h"
#include "linalg/Complex.h"
#include "linalg/Matrix.h"
#include "qlang/NumberText.h"
#include "qlang/ScalarGroups.h"
#include "qlang/WordCall.h"
#include "qlang/WordTable.h"
#include "qlang/Words.h"

namespace qlang {
namespace {

using tala::interp::Variable;

constexpr double kTwoPi = 6.283185307179586;

Variable argument(const WordCall& call, int n) {
    Variable value;
    call.evaluateArg(n, value);
    return value;
}

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

void word_integer(WordCall& call) {
    const Variable x = argument(call, 1);
    if (x.typeName == "integer") {
        call.result.setInteger(x.getInteger());
        return;
    }
    call.result.setInteger(textToInteger(x.getString()));
}

void word_double(WordCall& call) {
    const Variable x = argument(call, 1);
    if (x.typeName == "double") {
        call.result.setDouble(x.getDouble());
        return;
    }
    call.result.setDouble(textToDouble(x.getString()));
}

void word_real(WordCall& call) {
    const Variable z = argument(call, 1);
    call.result.setDouble(z.getComplex().re);
}

// One part of "complex": a string, double or integer, as a double.
bool readComplexPart(const Variable& value, double& part) {
    if (value.typeName == "string") {
        part = textToDouble(value.getString());
    } else if (value.typeName == "double") {
        part = value.getDouble();
    } else if (value.typeName == "integer") {
        part = value.getInteger();
    } else {
        return false;
    }
    return true;
}

void word_complex(WordCall& call) {
    const Variable a = argument(call, 1);
    const Variable b = argument(call, 2);
    double re = 0.0;
    double im = 0.0;
    if (!readComplexPart(a, re) || !readComplexPart(b, im)) {
        call.report("'\n");
        return;
    }
    call.result.setComplex(re, im);
}

void word_cast(WordCall& call) {
    const Variable type = argument(call, 1);
    const Variable x = argument(call, 2);
    if (type.getString() != "complex") return;
    if (x.typeName != "double") {
        call.report("'; cast argument type not recognized.\n");
        return;
    }
    call.result.setComplex(x.getDouble(), 0.0);
}

void word_neg(WordCall& call) {
    const Variable x = argument(call, 1);
    if (x.typeName == "integer") {
        call.result.setInteger(wrappingProduct(x.getInteger(), -1));
    } else if (x.typeName == "double") {
        call.result.setDouble(-x.getDouble());
    } else if (x.typeName == "complex") {
        const linalg::Complex z = x.getComplex();
        call.result.setComplex(-z.re, -z.im);
    }
}

void word_inv(WordCall& call) {
    const Variable x = argument(call, 1);
    call.result.setDouble(1.0 / readNumber(x));
}

void word_sqrt(WordCall& call) {
    const Variable x = argument(call, 1);
    call.result.setDouble(std::sqrt(readNumber(x)));
}

void word_pow2(WordCall& call) {
    const Variable n = argument(call, 1);
    call.result.setInteger(wrappingPower(2, n.getInteger()));
}

void word_pow(WordCall& call) {
    const Variable a = argument(call, 1);
    const Variable b = argument(call, 2);
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

void word_powm(WordCall& call) {
    const Variable base = argument(call, 1);
    const Variable exponent = argument(call, 2);
    const Variable modulus = argument(call, 3);
    const std::int32_t b = base.getInteger();
    const std::int32_t e = exponent.getInteger();
    const std::int32_t m = modulus.getInteger();
    if (m == 0) {
        call.report("'; modulus is 0\n");
        return;
    }
    call.result.setInteger(powerRemainder(b, e, m));
}

void word_exp(WordCall& call) {
    const Variable z = argument(call, 1);
    if (z.typeName != "complex") return;
    const linalg::Complex value = z.getComplex();
    const double scale = std::exp(value.re);
    call.result.setComplex(scale * std::cos(value.im), scale * std::sin(value.im));
}

void word_sin(WordCall& call) {
    const Variable x = argument(call, 1);
    call.result.setDouble(std::sin(x.getDouble()));
}

void word_cos(WordCall& call) {
    const Variable x = argument(call, 1);
    call.result.setDouble(std::cos(x.getDouble()));
}

void word_rootOfUnity(WordCall& call) {
    const Variable n = argument(call, 1);
    call.result.setComplex(linalg::fromAngle(kTwoPi / static_cast<double>(n.getInteger())));
}

void word_cnorm(WordCall& call) {
    const Variable z = argument(call, 1);
    linalg::Complex value;
    if (z.typeName == "matrix") {
        const linalg::Matrix& m = z.getMatrix();
        if (m.entryCount() != 1) {
            std::cout << "Matrix not size 1 in cnorm; '" << call.text << "'\n";
            return;
        }
        value = m(0, 0);
    } else {
        value = z.getComplex();
    }
    linalg::normSquared(value);
    call.result.setComplex(value);
}

constexpr WordEntry kValueWords[] = {
    {"integer", word_integer},
    {"double", word_double},
    {"real", word_real},
    {"complex", word_complex},
    {"cast", word_cast},
    {"neg", word_neg},
    {"inv", word_inv},
    {"sqrt", word_sqrt},
    {"pow2", word_pow2},
    {"pow", word_pow},
    {"powm", word_powm},
    {"exp", word_exp},
    {"sin", word_sin},
    {"cos", word_cos},
    {"rootOfUnity", word_rootOfUnity},
    {"cnorm", word_cnorm},
};

}  // namespace

void addScalarWords(WordTable& table) {
    table.add(kValueWords);
    addRandomWords(table);
    addComparisonWords(table);
}

}  // namespace qlang
