// Comparisons of two integers or two doubles; the result is the integer 1 or 0.

#include <cstdint>
#include <iostream>
#include <span>

#include "interp/Variable.h"
#include "qlang/ScalarGroups.h"
#include "qlang/WordCall.h"
#include "qlang/WordTable.h"

namespace qlang {
namespace {

using tala::interp::Variable;

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

void compare(WordCall& call, Relation relation) {
    Variable a;
    call.evaluateArg(1, a);
    Variable b;
    call.evaluateArg(2, b);
    if (a.typeName != b.typeName) {
        std::cout << "Cannot compare different types; '" << call.text << "'\n";
        return;
    }
    bool result = false;
    if (a.typeName == "integer") {
        result = holds(relation, a.getInteger(), b.getInteger());
    } else if (a.typeName == "double") {
        result = holds(relation, a.getDouble(), b.getDouble());
    } else {
        std::cout << "Cannot compare these types; '" << call.text << "'\n";
        return;
    }
    call.result.setInteger(result ? 1 : 0);
}

void word_comp_lt(WordCall& call) { compare(call, Relation::Less); }
void word_comp_lte(WordCall& call) { compare(call, Relation::LessOrEqual); }
void word_comp_gt(WordCall& call) { compare(call, Relation::Greater); }
void word_comp_gte(WordCall& call) { compare(call, Relation::GreaterOrEqual); }
void word_comp_ne(WordCall& call) { compare(call, Relation::NotEqual); }
void word_comp_eq(WordCall& call) { compare(call, Relation::Equal); }

constexpr WordEntry kComparisonWords[] = {
    {"comp.less", word_comp_lt},
    {"comp.lt", word_comp_lt},
    {"<", word_comp_lt},
    {"comp.lte", word_comp_lte},
    {"comp.gt", word_comp_gt},
    {">", word_comp_gt},
    {"comp.gte", word_comp_gte},
    {"comp.ne", word_comp_ne},
    {"!=", word_comp_ne},
    {"comp.eq", word_comp_eq},
    {"==", word_comp_eq},
};

}  // namespace

void addComparisonWords(WordTable& table) { table.add(kComparisonWords); }

}  // namespace qlang
