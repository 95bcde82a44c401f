// Object values: ownership and aliasing, assignment, the rules for user values and the
// scope list. Plain number and text arithmetic is covered by the golden scripts.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "interp/Object.h"
#include "interp/UserObject.h"
#include "support/Failure.h"
#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

Object integer(std::int32_t v) {
    Object o;
    o.setInteger(v);
    return o;
}

Object variable(const std::string& name, std::int32_t v) {
    return Object(name, ObjectType::Integer, std::make_shared<ObjectValue>(v));
}

// Records the operations it is asked for.
class Probe : public UserObject {
public:
    explicit Probe(int value, std::vector<std::string>* log = nullptr, std::string type = "test::Probe")
        : UserObject(std::move(type)), value(value), log(log) {}
    ~Probe() override {
        if (log) log->push_back("released " + std::to_string(value));
    }
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
    std::vector<std::string>* log;
};

// A type that overrides nothing.
class Plain : public UserObject {
public:
    Plain() : UserObject("test::Plain") {}
};

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
    // A tag that disagrees with the stored value is refused, not misread.
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
    std::vector<std::string> log;
    Object probe("p", std::make_unique<Probe>(1, &log));
    Object number = variable("n", 2);
    Object result;
    add(number, probe, result);
    EXPECT_EQ(probeValue(result), 101);
    EXPECT_TRUE(lessThan(number, probe));
    EXPECT_EQ(log, (std::vector<std::string>{"add with left n", "lessThan own=p other=n"}));
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
    std::vector<std::string> log;
    ObjectList list;
    list.append(Object("p", std::make_unique<Probe>(1, &log)));
    {
        Object o;
        o.setUserObject(new Probe(2, &log));
        o.setInteger(3);
    }
    list.clear();
    EXPECT_EQ(log, (std::vector<std::string>{"released 2", "released 1"}));

    list.append(Object("bad", static_cast<ObjectType>(9), std::make_shared<ObjectValue>(std::int32_t{1})));
    EXPECT_EQ(failureOf([&] { list.clear(); }), "Unrecognized type");
    EXPECT_TRUE(list.empty());
}
