// The two languages' values: ownership and aliasing, assignment, user values, the lists and scopes that hold them,
// and the memory budget. Plain arithmetic and nested scopes are in the golden scripts.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include "interp/Object.h"
#include "interp/Scope.h"
#include "interp/UserObject.h"
#include "interp/Variable.h"
#include "linalg/MemoryBudget.h"
#include "support/Failure.h"
#include "testsupport/StreamCapture.h"
using namespace tala::interp;
namespace {
using Log = std::vector<std::string>;
Object integer(std::int32_t v) { Object o; o.setInteger(v); return o; }
Object variable(const std::string& name, std::int32_t v) {
    return Object(name, ObjectType::Integer, std::make_shared<ObjectValue>(v));
}
// Records the operations it is asked for.
class Probe : public UserObject {
public:
    explicit Probe(int value, Log* log = nullptr, std::string type = "test::Probe")
        : UserObject(std::move(type)), value(value), log(log) {}
    ~Probe() override { if (log) log->push_back("released " + std::to_string(value)); }
    void copy(const UserObject& source) override { value = static_cast<const Probe&>(source).value; }
    void add(const Object& left, const Object&, Object& result) override {
        if (log) log->push_back("add with left " + left.name);
        result.setUserObject(std::make_unique<Probe>(value + 100));
    }
    bool lessThan(const Object& own, const Object& other) override {
        if (log) log->push_back("lessThan own=" + own.name + " other=" + other.name);
        return true;
    }
    int value;
    Log* log;
};
struct Plain : UserObject { Plain() : UserObject("test::Plain") {} };
Variable entry(const std::string& name, int number) { Variable v; v.setInteger(number); v.name = name; return v; }
int probeValue(const Object& o) { return static_cast<Probe&>(o.getUserObject()).value; }
}  // namespace

TEST(ObjectOwnership, ReferencesShareTheVariableUntilASetterDetachesThemAndGettersCheckTags) {
    Object outliving;
    {
        ObjectList scope;
        scope.append(variable("x", 5));
        Object reference;
        scope.lookup("x", reference);
        reference.getInteger() = 6;  // writes go through to the variable
        scope.lookup("x", outliving);
        reference.setString("other");
        EXPECT_EQ(reference.name, kObjectTempName);
    }
    // The setter left the variable alone, and the value outlives its scope.
    EXPECT_EQ(outliving.getInteger(), 6);
    EXPECT_EQ(failureOf([&] { outliving.getDouble(); }), "getDouble error - type is NULL or not double");
    const Object lying("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::string("abc")));
    EXPECT_EQ(failureOf([&] { lying.getInteger(); }), "getInteger error - type is NULL or not int");
}

TEST(ObjectSet, CopiesOnlyBetweenEqualTagsAndTypeNames) {
    Object target("t", std::make_unique<Probe>(1));
    set(target, Object("o", std::make_unique<Probe>(7, nullptr, "test::Other")));
    EXPECT_EQ(probeValue(target), 1);
    set(target, Object("s", std::make_unique<Probe>(9)));
    EXPECT_EQ(probeValue(target), 9);
    Object empty;
    set(empty, integer(3));  // a target without data has nothing to store into
    EXPECT_FALSE(empty.hasData());
    Object plain("p", std::make_unique<Plain>());
    EXPECT_EQ(failureOf([&] { set(plain, Object("q", std::make_unique<Plain>())); }), "Cannot copy this type.");
}

TEST(ObjectArithmetic, UserValueReceivesOperandsInScriptOrderButComparesFromItsOwnSide) {
    Log log;
    Object probe("p", std::make_unique<Probe>(1, &log)), number = variable("n", 2), result;
    add(number, probe, result);
    EXPECT_EQ(probeValue(result), 101);
    EXPECT_TRUE(lessThan(number, probe));
    EXPECT_EQ(log, (Log{"add with left n", "lessThan own=p other=n"}));
}

TEST(ObjectArithmetic, IntegerDivisionByZeroGivesNoValueAndTheResultMayBeAnOperand) {
    Object quotient = integer(5);
    divide(integer(7), integer(0), quotient);
    EXPECT_FALSE(quotient.hasData());
    divide(integer(-7), integer(2), quotient);
    EXPECT_EQ(quotient.getInteger(), -3);
    // Both operands are read before the result is cleared.
    Object x = integer(3);
    const Object y = integer(4);
    add(x, y, x);
    EXPECT_EQ(x.getInteger(), 7);
    subtract(y, x, x);
    EXPECT_EQ(x.getInteger(), -3);
}

TEST(ObjectListTest, OwnedValuesAreReleasedOnceAndForeignTagsAreReported) {
    Log log;
    ObjectList list;
    list.append(Object("p", std::make_unique<Probe>(1, &log)));
    {
        Object o;
        o.setUserObject(new Probe(2, &log));
        o.setInteger(3);
    }
    list.clear();
    EXPECT_EQ(log, (Log{"released 2", "released 1"}));
    list.append(Object("bad", static_cast<ObjectType>(9), std::make_shared<ObjectValue>(std::int32_t{1})));
    EXPECT_EQ(failureOf([&] { list.clear(); }), "Unrecognized type");
    EXPECT_TRUE(list.empty());
}

TEST(Variable, SetterNeverWritesThroughAnAliasAndGettersCheckTheStoredValue) {
    VariableList list;
    append(list, entry("x", 1));
    Variable result;
    lookup(list, "x", result);
    result.setDouble(2.5);  // a word reusing its result must not touch x
    EXPECT_EQ(result.name, "temp");
    EXPECT_EQ(result.typeName, "double");
    EXPECT_EQ(list[0].getInteger(), 1);
    Variable forged("x", "integer", std::make_shared<Value>(std::string("no")));
    EXPECT_EQ(failureOf([&] { forged.getInteger(); }), "getInteger error - type is NULL or not int");
}

// Values of other types are left alone (the golden scripts set an integer to a double).
TEST(Variable, SetCopiesIntoTheExistingStorageOfAKnownType) {
    VariableList list;
    Variable m, alias, source;
    m.setMatrix(2, 1);
    m.name = "psi";
    append(list, m);
    lookup(list, "psi", alias);
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
    append(list, entry("x", 1));
    append(list, entry("x", 2));
    Variable result;
    lookup(list, "x", result);
    EXPECT_EQ(result.getInteger(), 2);  // the last of duplicates
    assign(list, "x", entry("temp", 5));
    EXPECT_EQ(list[0].getInteger(), 5);  // assign reaches every one
    list[1].getInteger() = 7;
    remove(list, "x");  // the first of duplicates goes
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].getInteger(), 7);
    remove(list, "x");
    EXPECT_EQ(result.getInteger(), 7);  // an alias outliving its entry stays readable
}

// A handle answers what findLast and assign do on the list as it is now, whatever happened to the list since
// it last looked: entries removed before its own, a second entry of the name, the name deleted and made again,
// a scope's additions, a failed build taken out, another list, a list moved away or cleared.
TEST(VariableHandle, ServesTheEntriesOfTheListAsItIsNow) {
    VariableList list;
    append(list, entry("a", 1));
    append(list, entry("x", 2));
    VariableHandle x("x");
    EXPECT_EQ(x.findLast(list)->getInteger(), 2);
    remove(list, "a");
    EXPECT_EQ(x.findLast(list), &list[0]);
    append(list, entry("x", 3));
    EXPECT_EQ(x.findLast(list), &list[1]);
    x.assign(list, entry("temp", 9));
    EXPECT_EQ(list[0].getInteger(), 9);
    EXPECT_EQ(list[1].getInteger(), 9);
    remove(list, "x");
    remove(list, "x");
    EXPECT_EQ(x.findLast(list), nullptr);
    x.assign(list, entry("temp", 1));
    append(list, entry("b", 0));
    append(list, entry("x", 4));
    EXPECT_EQ(x.findLast(list), &list[1]);
    {
        Scope over(list);
        over.append(entry("x", 5));
    }
    EXPECT_EQ(x.findLast(list)->getInteger(), 5);
    const auto failedBuild = [&] { append(list, entry("x", 6)); throw support::Failure("refused"); };
    EXPECT_EQ(failureOf([&] { appendAllOrNothing(list, failedBuild); }), "refused");
    EXPECT_EQ(x.findLast(list), &list[2]);
    VariableList moved = std::move(list);
    EXPECT_EQ(x.findLast(list), nullptr);
    EXPECT_EQ(x.findLast(moved), &moved[2]);
    moved.clear();
    EXPECT_EQ(x.findLast(moved), nullptr);
    VariableList other;
    append(other, entry("x", 7));
    EXPECT_EQ(x.findLast(other)->getInteger(), 7);
    x.rename("b");
    EXPECT_EQ(x.findLast(other), nullptr);
}

// A scope over a list a caller keeps leaves its flags.
TEST(Scope, WhatALocalScopeHandsOnIsBorrowedAndItsOwnEntriesGoWithIt) {
    VariableList globals;
    append(globals, entry("x", 1));
    Scope root(globals);
    {
        Scope inner(root);
        inner.append(entry("own", 6));
        const VariableList copy = inner.borrowedCopy();
        Log seen;
        for (const Variable& v : copy) seen.push_back(v.name + (v.borrowed ? " borrowed" : " owned"));
        EXPECT_EQ(seen, (Log{"x borrowed", "own borrowed"}));
    }
    EXPECT_EQ(1u, globals.size());
    VariableList handed;
    handed.emplace_back(entry("b", 1), true);
    Scope overHanded(handed);
    EXPECT_EQ("Cannot delete variable", failureOf([&] { overHanded.remove("b"); }));
}

TEST(Variable, ValuesCountAgainstTheMemoryBudgetAndARefusedBuildLeavesTheListAsItWas) {
    const std::int64_t saved = linalg::memoryBudget();
    VariableList list;
    append(list, entry("kept", 1));
    {
        Variable held = entry("x", 1);
        linalg::setMemoryBudget(linalg::memoryInUse());
        EXPECT_EQ(failureOf([&] { held.setInteger(2); }).rfind("Not enough memory for a value: it needs ", 0), 0u);
        EXPECT_EQ(held.getInteger(), 1);
    }
    // Dropping the value gives its memory back: one more fits again.
    const auto add2 = [&] { append(list, entry("a", 2)); append(list, entry("b", 3)); };
    EXPECT_EQ(failureOf([&] { appendAllOrNothing(list, add2); }).rfind("Not enough memory for a value", 0), 0u);
    linalg::setMemoryBudget(saved);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "kept");
}
