// Random draws: rand, randf, random_int. Every draw comes from the C library's
// rand(), the one generator the whole process shares.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "interp/Variable.h"
#include "linalg/Failure.h"
#include "qlang/ScalarGroups.h"
#include "qlang/WordCall.h"
#include "qlang/WordTable.h"

namespace qlang {
namespace {

using tala::interp::Variable;

Variable argument(const WordCall& call, int n) {
    Variable value;
    call.evaluateArg(n, value);
    return value;
}

void word_rand(WordCall& call) {
    const Variable range = argument(call, 1);
    const std::int32_t maxRange = range.getInteger();
    if (maxRange < 1) {
        call.capitalReport("'; maxRange <= 0\n");
        return;
    }
    call.result.setInteger(std::rand() % maxRange);
}

void word_randf(WordCall& call) {
    const Variable low = argument(call, 1);
    const Variable high = argument(call, 2);
    const double a = low.getDouble();
    const double b = high.getDouble();
    const int draw = std::rand() % 10000;
    call.result.setDouble(a + (draw / 10000.0) * (b - a));
}

// (S * 100 + d * (L - S + 1)) / 100 for a draw d in 0 .. 99, truncating toward zero.
// Worked in 64 bits so wide ranges cannot overflow; the value always fits 32 bits.
void word_random_int(WordCall& call) {
    const Variable smallArg = argument(call, 1);
    const Variable largeArg = argument(call, 2);
    const std::int64_t small = smallArg.getInteger();
    const std::int64_t large = largeArg.getInteger();
    if (large - small < 0) {
        call.report("'; large < small\n");
        throw tala::Failure("Syntax error.");
    }
    const std::int64_t draw = std::rand() % 100;
    call.result.setInteger(static_cast<std::int32_t>((small * 100 + draw * (large - small + 1)) / 100));
}

constexpr WordEntry kRandomWords[] = {
    {"rand", word_rand},
    {"randf", word_randf},
    {"random_int", word_random_int},
};

}  // namespace

void addRandomWords(WordTable& table) { table.add(kRandomWords); }

}  // namespace qlang
