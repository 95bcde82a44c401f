// Value words: literal conversions, arithmetic, comparisons and the bitwise logic.

#include <cstdint>

#include "interp/InterpreterWords.h"

namespace tala::interp::words {

namespace {

// The conversion words read the raw token: it is not evaluated.
void word_integer(InterpreterCall& c) { c.result.setInteger(ObjectNumbers::integer(c.arg(1))); }

void word_double(InterpreterCall& c) { c.result.setDouble(ObjectNumbers::real(c.arg(1))); }

void word_string(InterpreterCall& c) { c.result.setString(c.arg(1)); }

using Arithmetic = void (*)(const Object&, const Object&, Object&);

void arithmetic(InterpreterCall& c, Arithmetic operation) {
    const Object left = c.valueArg(1);
    const Object right = c.valueArg(2);
    operation(left, right, c.result);
}

void word_add(InterpreterCall& c) { arithmetic(c, add); }
void word_subtract(InterpreterCall& c) { arithmetic(c, subtract); }
void word_multiply(InterpreterCall& c) { arithmetic(c, multiply); }

// Integer division by zero has no value; say so rather than give nothing silently.
void word_divide(InterpreterCall& c) {
    const Object left = c.valueArg(1);
    const Object right = c.valueArg(2);
    if (left.holds(ObjectType::Integer) && right.holds(ObjectType::Integer) && right.getInteger() == 0) {
        c.report("'; division by zero.\n");
        return;
    }
    divide(left, right, c.result);
}

void word_remainder(InterpreterCall& c) {
    const Object first = c.valueArg(1);
    const Object second = c.valueArg(2);
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

void comparison(InterpreterCall& c, Comparison compare) {
    const Object first = c.valueArg(1);
    const Object second = c.valueArg(2);
    c.result.setInteger(compare(first, second) ? 1 : 0);
}

void word_equals(InterpreterCall& c) { comparison(c, equals); }
void word_less(InterpreterCall& c) { comparison(c, lessThan); }
void word_greater(InterpreterCall& c) { comparison(c, greaterThan); }

void word_not(InterpreterCall& c) {
    const Object value = c.valueArg(1);
    if (!value.holds(ObjectType::Integer)) {
        c.report("'; 'not' argument not integer.\n");
        return;
    }
    c.result.setInteger(value.getInteger() == 0 ? 1 : 0);
}

// Bitwise over every argument. A String last argument is the empty token of a
// trailing separator and is ignored.
void bitwise(InterpreterCall& c, bool conjunction, std::string_view word) {
    std::int32_t accumulator = conjunction ? 1 : 0;
    for (int k = 1; k < c.count(); ++k) {
        const Object value = c.valueArg(k);
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

void word_and(InterpreterCall& c) { bitwise(c, true, "and"); }
void word_or(InterpreterCall& c) { bitwise(c, false, "or"); }

constexpr WordEntry kValueWords[] = {
    {"integer", word_integer, "TEXT", "The leading integer of the raw text TEXT (not evaluated); 0 if none.",
     "print (integer 42)"},
    {"double", word_double, "TEXT", "The leading decimal number of the raw text TEXT (not evaluated); 0 if none.",
     "print (double 2.5)"},
    {"string", word_string, "TEXT", "The raw text TEXT as a String, not evaluated.", "print (string hello)"},
    {"+", word_add, "A B", "The sum of A and B; an Integer and a Double give a Double.", "print (+ 1 2.5)"},
    {"-", word_subtract, "A B", "The difference A - B.", "print (- 7 2)"},
    {"*", word_multiply, "A B", "The product of A and B.", "print (* 6 7)"},
    {"/", word_divide, "A B", "The quotient A / B; Integers give the truncated Integer quotient.",
     "print (/ 7 2)"},
    {"%", word_remainder, "A B", "The remainder of the Integers A and B, with the sign of A.", "print (% 7 3)"},
    {"comp.eq", word_equals, "A B", "1 when A equals B, else 0.", "print (comp.eq 3 3)"},
    {"==", word_equals, "A B", "1 when A equals B, else 0 (the same as comp.eq).", "print (== 3 3)"},
    {"comp.lt", word_less, "A B", "1 when A is less than B, else 0.", "print (comp.lt 1 2)"},
    {"<", word_less, "A B", "1 when A is less than B, else 0 (the same as comp.lt).", "print (< 1 2)"},
    {"comp.gt", word_greater, "A B", "1 when A is greater than B, else 0.", "print (comp.gt 2 1)"},
    {">", word_greater, "A B", "1 when A is greater than B, else 0 (the same as comp.gt).", "print (> 2 1)"},
    {"not", word_not, "A", "1 when the Integer A is 0, else 0.", "print (not 0)"},
    {"and", word_and, "A...", "The bitwise AND of the Integer arguments.", "print (and 6 3)"},
    {"or", word_or, "A...", "The bitwise OR of the Integer arguments.", "print (or 4 1)"},
};

}  // namespace

WordGroup valueWords() { return {"values", kValueWords}; }

}  // namespace tala::interp::words
