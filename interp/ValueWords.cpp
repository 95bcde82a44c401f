// Value words: integer, double, string, the arithmetic words, %, the comparisons,
// not, and, or.

#include <array>
#include <cstdint>

#include "interp/InterpreterWords.h"

namespace tala::interp::words {

namespace {

// The conversion words read the raw token: it is not evaluated.
void word_integer(Command& c) { c.result.setInteger(leadingInteger(skipBlanks(c.arg(1)))); }

void word_double(Command& c) { c.result.setDouble(leadingDouble(skipBlanks(c.arg(1)))); }

void word_string(Command& c) { c.result.setString(c.arg(1)); }

using Arithmetic = void (*)(const Object&, const Object&, Object&);

void arithmetic(Command& c, Arithmetic operation) {
    Object left;
    Object right;
    c.evaluate(1, left);
    c.evaluate(2, right);
    operation(left, right, c.result);
}

void word_add(Command& c) { arithmetic(c, add); }
void word_subtract(Command& c) { arithmetic(c, subtract); }
void word_multiply(Command& c) { arithmetic(c, multiply); }

// Integer division by zero has no value; say so rather than give nothing silently.
void word_divide(Command& c) {
    Object left;
    Object right;
    c.evaluate(1, left);
    c.evaluate(2, right);
    if (left.holds(ObjectType::Integer) && right.holds(ObjectType::Integer) && right.getInteger() == 0) {
        c.report("'; division by zero.\n");
        return;
    }
    divide(left, right, c.result);
}

void word_remainder(Command& c) {
    Object first;
    Object second;
    c.evaluate(1, first);
    c.evaluate(2, second);
    const std::int64_t a = first.getInteger();
    const std::int64_t b = second.getInteger();
    if (b == 0) {
        c.report("'; division by zero.\n");
        return;
    }
    // Widened so that the smallest integer by -1 gives 0 instead of trapping.
    c.result.setInteger(static_cast<std::int32_t>(a % b));
}

using Comparison = bool (*)(const Object&, const Object&);

void comparison(Command& c, Comparison compare) {
    Object first;
    Object second;
    c.evaluate(1, first);
    c.evaluate(2, second);
    c.result.setInteger(compare(first, second) ? 1 : 0);
}

void word_equals(Command& c) { comparison(c, equals); }
void word_less(Command& c) { comparison(c, lessThan); }
void word_greater(Command& c) { comparison(c, greaterThan); }

void word_not(Command& c) {
    Object value;
    c.evaluate(1, value);
    if (!value.holds(ObjectType::Integer)) {
        c.report("'; 'not' argument not integer.\n");
        return;
    }
    c.result.setInteger(value.getInteger() == 0 ? 1 : 0);
}

// Bitwise over every argument. A String last argument is the empty token of a
// trailing separator and is ignored.
void bitwise(Command& c, bool conjunction, std::string_view word) {
    std::int32_t accumulator = conjunction ? 1 : 0;
    for (int k = 1; k < c.count(); ++k) {
        Object value;
        c.evaluate(k, value);
        if (value.holds(ObjectType::Integer)) {
            const std::int32_t v = value.getInteger();
            if (k == 1) accumulator = v;
            else accumulator = conjunction ? (accumulator & v) : (accumulator | v);
            continue;
        }
        if (value.type == ObjectType::String && k == c.count() - 1) continue;
        c.report("'; '" + std::string(word) + "' argument not integer.\n");
        return;
    }
    c.result.setInteger(accumulator);
}

void word_and(Command& c) { bitwise(c, true, "and"); }
void word_or(Command& c) { bitwise(c, false, "or"); }

constexpr std::array kValueWords{
    WordEntry{"integer", word_integer}, WordEntry{"double", word_double},
    WordEntry{"string", word_string},   WordEntry{"+", word_add},
    WordEntry{"-", word_subtract},      WordEntry{"*", word_multiply},
    WordEntry{"/", word_divide},        WordEntry{"%", word_remainder},
    WordEntry{"comp.eq", word_equals},  WordEntry{"==", word_equals},
    WordEntry{"comp.lt", word_less},    WordEntry{"<", word_less},
    WordEntry{"comp.gt", word_greater}, WordEntry{">", word_greater},
    WordEntry{"not", word_not},         WordEntry{"and", word_and},
    WordEntry{"or", word_or},
};

}  // namespace

void addValueWords(WordTable& table) { table.add(kValueWords); }

}  // namespace tala::interp::words
