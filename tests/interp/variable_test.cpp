#include "interp/Variable.h"

#include <gtest/gtest.h>

#include <string>

#include "interp/Scope.h"
#include "support/Failure.h"
#include "linalg/MemoryBudget.h"
#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

Variable integer(const std::string& name, int number) {
    Variable v;
    v.setInteger(number);
    v.name = name;
    return v;
}

}  // namespace

TEST(Variable, SetterNeverWritesThroughAnAliasAndGettersCheckTheStoredValue) {
    VariableList list;
    append(list, integer("x", 1));
    Variable result;
    lookup(list, "x", result);
    result.setDouble(2.5);  // a word reusing its result must not touch x
    EXPECT_EQ(result.name, "temp");
    EXPECT_EQ(result.typeName, "double");
    EXPECT_EQ(list[0].getInteger(), 1);
    // A type name that disagrees with the stored value is refused, not misread.
    Variable forged("x", "integer", std::make_shared<Value>(std::string("no")));
    EXPECT_EQ(failureOf([&] { forged.getInteger(); }), "getInteger error - type is NULL or not int");
}

// Values of other types are left alone (the golden scripts set an integer to a double).
TEST(Variable, SetCopiesIntoTheExistingStorageOfAKnownType) {
    VariableList list;
    Variable m;
    m.setMatrix(2, 1);
    m.name = "psi";
    append(list, m);
    Variable alias;
    lookup(list, "psi", alias);
    Variable source;
    source.setMatrix(2, 1)(1, 0) = {0.0, 1.0};
    set(list[0], source);
    source.getMatrix()(1, 0) = {5.0, 5.0};  // a copy, not a share
    EXPECT_EQ(alias.getMatrix()(1, 0), (linalg::Complex{0.0, 1.0}));

    Variable odd("y", "quaternion", std::make_shared<Value>(std::int32_t{1}));
    Variable odd2("z", "quaternion", std::make_shared<Value>(std::int32_t{2}));
    EXPECT_EQ(failureOf([&] { set(odd, odd2); }), "Object::set unkown type");
}

TEST(VariableList, DuplicateNamesAliasesAndRemoval) {
    VariableList list;
    append(list, integer("x", 1));
    append(list, integer("x", 2));
    Variable result;
    lookup(list, "x", result);
    EXPECT_EQ(result.getInteger(), 2);  // the last of duplicates
    assign(list, "x", integer("temp", 5));
    EXPECT_EQ(list[0].getInteger(), 5);  // assign reaches every one
    list[1].getInteger() = 7;
    remove(list, "x");  // the first of duplicates goes
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].getInteger(), 7);
    remove(list, "x");
    EXPECT_EQ(result.getInteger(), 7);  // an alias outliving its entry stays readable
}

// What a local scope hands on (to an extension word, say) is borrowed, its own entries
// go with it, and a scope over a list a caller keeps leaves its flags. How names are
// seen, set and deleted through nested scopes shows in the golden scoping scripts.
TEST(Scope, WhatALocalScopeHandsOnIsBorrowedAndItsOwnEntriesGoWithIt) {
    VariableList globals;
    append(globals, integer("x", 1));
    Scope root(globals);
    {
        Scope inner(root);
        inner.append(integer("own", 6));
        const VariableList copy = inner.borrowedCopy();
        ASSERT_EQ(2u, copy.size());
        EXPECT_EQ("x", copy[0].name);
        EXPECT_EQ("own", copy[1].name);
        for (const Variable& entry : copy) EXPECT_TRUE(entry.borrowed);
    }
    EXPECT_EQ(1u, globals.size());
    VariableList handed;
    handed.emplace_back(integer("b", 1), true);
    Scope overHanded(handed);
    EXPECT_EQ("Cannot delete variable", failureOf([&] { overHanded.remove("b"); }));
}

TEST(Variable, ValuesCountAgainstTheMemoryBudgetAndARefusedBuildLeavesTheListAsItWas) {
    const std::int64_t saved = linalg::memoryBudget();
    VariableList list;
    append(list, integer("kept", 1));
    {
        Variable held = integer("x", 1);
        linalg::setMemoryBudget(linalg::memoryInUse());
        EXPECT_EQ(failureOf([&] { held.setInteger(2); }).rfind("Not enough memory for a value: it needs ", 0), 0u);
        EXPECT_EQ(held.getInteger(), 1);
    }
    // Dropping the value gives its memory back: one more fits again.
    EXPECT_EQ(failureOf([&] {
                  appendAllOrNothing(list, [&] {
                      append(list, integer("a", 2));
                      append(list, integer("b", 3));
                  });
              }).rfind("Not enough memory for a value", 0),
              0u);
    linalg::setMemoryBudget(saved);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "kept");
}
