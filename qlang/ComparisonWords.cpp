// Comparisons of two integers or two doubles; the result is the integer 1 or 0.

#include "support/Reporting.h"
#include "qlang/Words.h"
#include "support/ScriptOutput.h"

namespace qlang {
namespace {

enum class Relation { Less, LessOrEqual, Greater, GreaterOrEqual, NotEqual, Equal };

template <typename T>
bool holds(Relation relation, T a, T b) {
    switch (relation) {
        case Relation::Less: return a < b;
        case Relation::LessOrEqual: return a <= b;
        case Relation::Greater: return a > b;
        case Relation::GreaterOrEqual: return a >= b;
        case Relation::NotEqual: return a != b;
        case Relation::Equal: return a == b;
    }
    return false;
}

void compare(QuantumCall& call, Relation relation) {
    const auto [a, b] = call.valueArgs<2>(1);
    if (a.typeName != b.typeName) {
        support::out() << "Cannot compare different types; '" << call.text << "'\n";
        support::noteProblem();
        return;
    }
    bool result = false;
    if (a.typeName == "integer") {
        result = holds(relation, a.getInteger(), b.getInteger());
    } else if (a.typeName == "double") {
        result = holds(relation, a.getDouble(), b.getDouble());
    } else {
        support::out() << "Cannot compare these types; '" << call.text << "'\n";
        support::noteProblem();
        return;
    }
    call.result.setInteger(result ? 1 : 0);
}

void word_comp_lt(QuantumCall& call) { compare(call, Relation::Less); }
void word_comp_lte(QuantumCall& call) { compare(call, Relation::LessOrEqual); }
void word_comp_gt(QuantumCall& call) { compare(call, Relation::Greater); }
void word_comp_gte(QuantumCall& call) { compare(call, Relation::GreaterOrEqual); }
void word_comp_ne(QuantumCall& call) { compare(call, Relation::NotEqual); }
void word_comp_eq(QuantumCall& call) { compare(call, Relation::Equal); }

constexpr WordEntry kComparisonWords[] = {
    {"comp.less", word_comp_lt, "A B", "1 when A < B, else 0, for two integers or two doubles.",
     "print (comp.less 1 2)"},
    {"comp.lt", word_comp_lt, "A B", "1 when A < B, else 0 (the same as comp.less).", "print (comp.lt 1 2)"},
    {"<", word_comp_lt, "A B", "1 when A < B, else 0 (the same as comp.less).", "print (< 1 2)"},
    {"comp.lte", word_comp_lte, "A B", "1 when A <= B, else 0, for two integers or two doubles.",
     "print (comp.lte 2 2)"},
    {"comp.gt", word_comp_gt, "A B", "1 when A > B, else 0, for two integers or two doubles.",
     "print (comp.gt 2 1)"},
    {">", word_comp_gt, "A B", "1 when A > B, else 0 (the same as comp.gt).", "print (> 2 1)"},
    {"comp.gte", word_comp_gte, "A B", "1 when A >= B, else 0, for two integers or two doubles.",
     "print (comp.gte 2 2)"},
    {"comp.ne", word_comp_ne, "A B", "1 when A differs from B, else 0, for two integers or two doubles.",
     "print (comp.ne 1 2)"},
    {"!=", word_comp_ne, "A B", "1 when A differs from B, else 0 (the same as comp.ne).", "print (!= 1 2)"},
    {"comp.eq", word_comp_eq, "A B", "1 when A equals B, else 0, for two integers or two doubles.",
     "print (comp.eq 3 3)"},
    {"==", word_comp_eq, "A B", "1 when A equals B, else 0 (the same as comp.eq).", "print (== 3 3)"},
};

}  // namespace

WordGroup comparisonWords() { return {"comparison", kComparisonWords}; }

}  // namespace qlang
