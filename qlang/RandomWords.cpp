// Random draws of integers and doubles. Every draw comes from the C library's
// rand(), the one generator the whole process shares.

#include <cstdint>
#include <cstdlib>

#include "support/Failure.h"
#include "qlang/Words.h"

namespace qlang {
namespace {

void word_rand(QuantumCall& call) {
    const std::int32_t maxRange = call.integerArg(1);
    if (maxRange < 1) {
        call.capitalReport("'; maxRange <= 0\n");
        return;
    }
    call.result.setInteger(std::rand() % maxRange);
}

void word_randf(QuantumCall& call) {
    const auto [low, high] = call.valueArgs<2>(1);
    const double a = low.getDouble();
    const double b = high.getDouble();
    const int draw = std::rand() % 10000;
    call.result.setDouble(a + (draw / 10000.0) * (b - a));
}

// (S * 100 + d * (L - S + 1)) / 100 for a draw d in 0 .. 99, truncating toward zero.
// Worked in 64 bits so wide ranges cannot overflow; the value always fits 32 bits.
void word_random_int(QuantumCall& call) {
    const auto [smallArg, largeArg] = call.valueArgs<2>(1);
    const std::int64_t small = smallArg.getInteger();
    const std::int64_t large = largeArg.getInteger();
    if (large - small < 0) {
        call.report("'; large < small\n");
        throw support::Failure("Syntax error.");
    }
    const std::int64_t draw = std::rand() % 100;
    call.result.setInteger(static_cast<std::int32_t>((small * 100 + draw * (large - small + 1)) / 100));
}

constexpr WordEntry kRandomWords[] = {
    {"rand", word_rand, "N", "A random integer from 0 to N - 1.", "print (rand 6)"},
    {"randf", word_randf, "A B", "A random double from A towards B, in steps of 1/10000 of the way.",
     "print (randf 0.0 1.0)"},
    {"random_int", word_random_int, "S L", "A random integer from S to L.", "print (random_int 1 6)"},
};

}  // namespace

WordGroup randomWords() { return {"random", kRandomWords}; }

}  // namespace qlang
