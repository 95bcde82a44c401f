// Object values: ownership and aliasing, assignment, arithmetic and comparison rules,
// user values and the scope list.

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "interp/Object.h"
#include "interp/UserObject.h"
#include "linalg/Failure.h"

using namespace tala::interp;

namespace {

Object integer(std::int32_t v) {
    Object o;
    o.setInteger(v);
    return o;
}
Object real(double v) {
    Object o;
    o.setDouble(v);
    return o;
}
Object text(const std::string& v) {
    Object o;
    o.setString(v);
    return o;
}

std::string printed(const Object& o, bool header = true) {
    std::ostringstream out;
    o.print(out, header);
    return out.str();
}

// Records every operation it is asked for; compares by a number it carries.
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

TEST(ObjectOwnership, ReferenceOutlivingItsVariableStillSeesTheValue) {
    Object reference;
    {
        ObjectList scope;
        scope.append(Object("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{5})));
        ASSERT_TRUE(scope.lookup("x", reference));
    }
    EXPECT_EQ(reference.name, "x");
    EXPECT_EQ(reference.getInteger(), 5);
}

TEST(ObjectOwnership, DestroyingAReferenceLeavesTheVariableIntact) {
    ObjectList scope;
    scope.append(Object("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{5})));
    {
        Object reference;
        scope.lookup("x", reference);
        reference.getInteger() = 6;  // writes go through to the variable
    }
    Object again;
    scope.lookup("x", again);
    EXPECT_EQ(again.getInteger(), 6);
}

TEST(ObjectOwnership, SetterOnAReferenceDetachesItWithoutTouchingTheVariable) {
    ObjectList scope;
    scope.append(Object("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{5})));
    Object reference;
    scope.lookup("x", reference);
    reference.setString("other");
    EXPECT_EQ(reference.name, kObjectTempName);
    Object again;
    scope.lookup("x", again);
    EXPECT_EQ(again.getInteger(), 5);
}

TEST(ObjectOwnership, ReleasedUserValueIsDestroyedOnce) {
    std::vector<std::string> log;
    {
        Object o;
        o.setUserObject(new Probe(1, &log));
        o.setInteger(3);  // releases the probe
        EXPECT_EQ(log, std::vector<std::string>{"released 1"});
    }
    EXPECT_EQ(log.size(), 1u);
}

TEST(ObjectOwnership, ForeignTagFailsOnRelease) {
    Object o(std::string(kObjectTempName), static_cast<ObjectType>(7),
             std::make_shared<ObjectValue>(std::int32_t{1}));
    EXPECT_THROW(
        {
            try {
                o.release();
            } catch (const tala::Failure& f) {
                EXPECT_STREQ(f.what(), "Unrecognized type");
                throw;
            }
        },
        tala::Failure);
    EXPECT_FALSE(o.hasData());
    // A variable's reference carrying the same tag only forgets its pointer.
    Object reference("x", static_cast<ObjectType>(7), std::make_shared<ObjectValue>(std::int32_t{1}));
    EXPECT_NO_THROW(reference.release());
}

TEST(ObjectGetters, WrongTagOrNoDataRaiseTheGettersText) {
    const Object none;
    const Object five = integer(5);
    auto message = [](auto&& call) {
        try {
            call();
        } catch (const tala::Failure& f) {
            return std::string(f.what());
        }
        return std::string("no failure");
    };
    EXPECT_EQ(message([&] { none.getString(); }), "getString error - type is NULL or not string");
    EXPECT_EQ(message([&] { five.getString(); }), "getString error - type is NULL or not string");
    EXPECT_EQ(message([&] { text("a").getInteger(); }), "getInteger error - type is NULL or not int");
    EXPECT_EQ(message([&] { five.getDouble(); }), "getDouble error - type is NULL or not double");
    EXPECT_EQ(message([&] { five.getUserObject(); }),
              "getUserObject error - type is NULL or not UserType");
    // A tag that disagrees with the stored value is refused, not misread.
    const Object lying("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::string("abc")));
    EXPECT_EQ(message([&] { lying.getInteger(); }), "getInteger error - type is NULL or not int");
}

TEST(ObjectSet, CopiesOnlyBetweenEqualTagsAndTypeNames) {
    Object d = real(1.5);
    set(d, integer(3));
    EXPECT_EQ(d.getDouble(), 1.5);

    Object s = text("old");
    set(s, text("new"));
    EXPECT_EQ(s.getString(), "new");

    Object target;
    target.setUserObject(new Probe(1));
    Object sameType;
    sameType.setUserObject(new Probe(9));
    Object otherType;
    otherType.setUserObject(new Probe(7, nullptr, "test::Other"));
    set(target, otherType);
    EXPECT_EQ(probeValue(target), 1);
    set(target, sameType);
    EXPECT_EQ(probeValue(target), 9);

    Object empty;
    set(s, empty);
    EXPECT_EQ(s.getString(), "new");
    set(empty, s);  // a target without data has nothing to store into
    EXPECT_FALSE(empty.hasData());
}

TEST(ObjectSet, CopyOfATypeWithoutCopyRaisesBaseText) {
    Object a;
    a.setUserObject(new Plain);
    Object b;
    b.setUserObject(new Plain);
    EXPECT_THROW(set(a, b), tala::Failure);
}

TEST(ObjectPrint, HeaderLabelsByTagAndUserTypeName) {
    EXPECT_EQ(printed(integer(3)), "Integer (tala::interpreter)temp = 3");
    EXPECT_EQ(printed(real(2.0 / 3.0)), "Double (tala::interpreter)temp = 0.666667");
    EXPECT_EQ(printed(text("a b"), false), "a b");
    Object user("QDM", std::make_unique<Plain>());
    EXPECT_EQ(printed(user), "test::Plain QDM = test::Plain\n");
}

struct ArithmeticCase {
    Object left;
    Object right;
    void (*operation)(const Object&, const Object&, Object&);
    std::string expected;  // printed with header, or "none"
};

TEST(ObjectArithmetic, NumberTable) {
    const std::vector<ArithmeticCase> cases{
        {integer(7), integer(2), add, "Integer (tala::interpreter)temp = 9"},
        {integer(7), integer(2), divide, "Integer (tala::interpreter)temp = 3"},
        {integer(-7), integer(2), divide, "Integer (tala::interpreter)temp = -3"},
        {integer(7), real(2), divide, "Double (tala::interpreter)temp = 3.5"},
        {real(1.5), integer(1), subtract, "Double (tala::interpreter)temp = 0.5"},
        {real(1.5), real(2), multiply, "Double (tala::interpreter)temp = 3"},
        {text("a"), integer(1), add, "none"},
        {integer(1), text("a"), multiply, "none"},
        {Object(), integer(1), add, "none"},
        // 32-bit results wrap instead of overflowing; a zero divisor gives no value.
        {integer(INT_MAX), integer(1), add, "Integer (tala::interpreter)temp = -2147483648"},
        {integer(INT_MIN), integer(-1), divide, "Integer (tala::interpreter)temp = -2147483648"},
        {integer(5), integer(0), divide, "none"},
    };
    for (const ArithmeticCase& c : cases) {
        Object result = text("stale");
        c.operation(c.left, c.right, result);
        EXPECT_EQ(result.isTemp(), true);
        EXPECT_EQ(result.hasData() ? printed(result) : "none", c.expected);
    }
}

TEST(ObjectArithmetic, ResultMayBeOneOfTheOperands) {
    Object x = integer(4);
    add(x, x, x);
    EXPECT_EQ(x.getInteger(), 8);
}

TEST(ObjectArithmetic, UserValueOnEitherSideReceivesOperandsInScriptOrder) {
    std::vector<std::string> log;
    Object probe("p", std::make_unique<Probe>(1, &log));
    Object number("n", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{2}));
    Object result;
    add(number, probe, result);
    EXPECT_EQ(log.front(), "add with left n");
    EXPECT_EQ(probeValue(result), 101);
}

TEST(ObjectArithmetic, UnsupportedUserOperationsRaiseTheirBaseTexts) {
    Object plain("p", std::make_unique<Plain>());
    Object result;
    auto message = [&](auto operation) {
        try {
            operation(plain, integer(1), result);
        } catch (const tala::Failure& f) {
            return std::string(f.what());
        }
        return std::string("no failure");
    };
    EXPECT_EQ(message(add), "Cannot add this type.");
    EXPECT_EQ(message(subtract), "Cannot subtract this type.");
    EXPECT_EQ(message(multiply), "Cannot multiply this type.");
    EXPECT_EQ(message(divide), "Cannot divide this type.");
    EXPECT_THROW(equals(integer(1), plain), tala::Failure);
}

TEST(ObjectCompare, NumbersTextsAndMixtures) {
    EXPECT_TRUE(equals(integer(2), real(2.0)));
    EXPECT_TRUE(equals(text("abc"), text("abc")));
    EXPECT_FALSE(equals(text("abc"), text("abd")));
    EXPECT_FALSE(lessThan(text("a"), text("b")));
    EXPECT_FALSE(greaterThan(text("b"), text("a")));
    EXPECT_FALSE(equals(text("2"), integer(2)));
    EXPECT_TRUE(lessThan(integer(1), real(1.5)));
    EXPECT_TRUE(greaterThan(real(-0.5), integer(-1)));
    EXPECT_FALSE(lessThan(integer(3), integer(3)));
    EXPECT_FALSE(equals(Object(), Object()));
}

TEST(ObjectCompare, UserValueAlwaysReceivesItsOwnObjectFirst) {
    std::vector<std::string> log;
    Object probe("p", std::make_unique<Probe>(1, &log));
    Object number("n", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{2}));
    EXPECT_TRUE(lessThan(number, probe));
    EXPECT_EQ(log.front(), "lessThan own=p other=n");
}

TEST(ObjectListTest, LookupTakesTheLastOfDuplicatesAndAssignUpdatesAll) {
    ObjectList list;
    list.append(Object("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{1})));
    list.append(Object("y", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{5})));
    list.append(Object("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{2})));
    Object found;
    ASSERT_TRUE(list.lookup("x", found));
    EXPECT_EQ(found.getInteger(), 2);
    EXPECT_FALSE(list.lookup("x ", found));  // exact names only
    EXPECT_FALSE(list.lookup("", found));

    Object target("x", ObjectType::Integer, nullptr);
    list.assign(target, integer(9));
    EXPECT_EQ(list[0].getInteger(), 9);
    EXPECT_EQ(list[2].getInteger(), 9);
    EXPECT_EQ(list[1].getInteger(), 5);
}

TEST(ObjectListTest, BorrowedCopySharesValuesAndKeepsThemWhenDropped) {
    ObjectList list;
    list.append(Object("x", ObjectType::Integer, std::make_shared<ObjectValue>(std::int32_t{1})));
    {
        ObjectList copy = list.borrowedCopy();
        ASSERT_EQ(copy.size(), 1u);
        EXPECT_TRUE(copy[0].borrowed);
        copy.assign(Object("x", ObjectType::Integer, nullptr), integer(4));
    }
    EXPECT_FALSE(list[0].borrowed);
    EXPECT_EQ(list[0].getInteger(), 4);
}

TEST(ObjectListTest, ClearReleasesOwnedValuesAndReportsForeignTags) {
    std::vector<std::string> log;
    ObjectList list;
    list.append(Object("p", std::make_unique<Probe>(1, &log)));
    list.clear();
    EXPECT_EQ(log, std::vector<std::string>{"released 1"});
    EXPECT_TRUE(list.empty());

    list.append(Object("bad", static_cast<ObjectType>(9), std::make_shared<ObjectValue>(std::int32_t{1})));
    EXPECT_THROW(list.clear(), tala::Failure);
    EXPECT_TRUE(list.empty());
}
