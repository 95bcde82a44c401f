#include "interp/Variable.h"
#include "interp/VariableTable.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "linalg/Failure.h"
#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

Variable integer(const std::string& name, int number) {
    Variable v;
    v.setInteger(number);
    v.name = name;
    return v;
}

std::string printed(const Variable& v, bool header = true, int mode = 0) {
    std::ostringstream out;
    v.print(out, header, mode);
    return out.str();
}


}  // namespace

TEST(Variable, SettersNameTheResultTempAndReplaceTheValue) {
    Variable v;
    EXPECT_FALSE(v.hasValue());
    v.name = "x";
    v.setDouble(2.5);
    EXPECT_EQ(v.name, "temp");
    EXPECT_EQ(v.typeName, "double");
    EXPECT_EQ(v.getDouble(), 2.5);
    v.setString("hi");
    EXPECT_EQ(v.typeName, "string");
    EXPECT_EQ(v.getString(), "hi");
}

TEST(Variable, SetterNeverWritesThroughAnAlias) {
    VariableList list;
    append(list, integer("x", 1));
    Variable result;
    lookup(list, "x", result);
    result.setInteger(9);  // a word reusing its result must not touch x
    EXPECT_EQ(list[0].getInteger(), 1);
}

TEST(Variable, GettersRefuseOtherTypesWithTheirTexts) {
    Variable empty;
    Variable text;
    text.setString("1");
    EXPECT_EQ(failureOf([&] { empty.getString(); }), "getString error - type is NULL or not string");
    EXPECT_EQ(failureOf([&] { text.getInteger(); }), "getInteger error - type is NULL or not int");
    EXPECT_EQ(failureOf([&] { text.getDouble(); }), "getInteger error - type is NULL or not double");
    EXPECT_EQ(failureOf([&] { text.getComplex(); }), "getComplex error - type is NULL or not complex");
    EXPECT_EQ(failureOf([&] { text.getMatrix(); }), "getMatrix error - type is NULL or not matrix");
    EXPECT_EQ(failureOf([&] { text.getSystem(); }), "getInteger error - type is NULL or not System");
    // A type name that does not agree with what is stored is refused too.
    Variable forged("x", "integer", std::make_shared<Value>(std::string("no")));
    EXPECT_EQ(failureOf([&] { forged.getInteger(); }), "getInteger error - type is NULL or not int");
}

TEST(Variable, SetCopiesOnlyBetweenEqualTypes) {
    VariableList list;
    append(list, integer("x", 1));
    Variable d;
    d.setDouble(2.5);
    set(list[0], d);
    EXPECT_EQ(list[0].getInteger(), 1);
    Variable none;
    set(list[0], none);
    EXPECT_EQ(list[0].getInteger(), 1);
    set(list[0], integer("temp", 4));
    EXPECT_EQ(list[0].getInteger(), 4);

    Variable odd("y", "quaternion", std::make_shared<Value>(std::int32_t{1}));
    Variable odd2("z", "quaternion", std::make_shared<Value>(std::int32_t{2}));
    EXPECT_EQ(failureOf([&] { set(odd, odd2); }), "Object::set unkown type");
}

TEST(Variable, SetOfAMatrixCopiesIntoTheExistingStorage) {
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
}

TEST(VariableList, LookupAssignRemoveWithDuplicateNames) {
    VariableList list;
    append(list, integer("x", 1));
    append(list, integer("x", 2));
    Variable result;
    lookup(list, "x", result);
    EXPECT_EQ(result.getInteger(), 2);
    EXPECT_EQ(result.name, "x");

    assign(list, "x", integer("temp", 5));
    EXPECT_EQ(list[0].getInteger(), 5);
    EXPECT_EQ(list[1].getInteger(), 5);

    Variable untouched;
    lookup(list, "y", untouched);
    EXPECT_FALSE(untouched.hasValue());

    remove(list, "y");
    EXPECT_EQ(list.size(), 2u);
    list[1].getInteger() = 7;
    remove(list, "x");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].getInteger(), 7);
}

TEST(VariableList, BorrowedCopiesShareValuesAndCannotBeRemoved) {
    VariableList global;
    append(global, integer("x", 1));
    VariableList local = borrowedCopy(global);
    ASSERT_TRUE(local[0].borrowed);
    assign(local, "x", integer("temp", 3));
    EXPECT_EQ(global[0].getInteger(), 3);

    EXPECT_EQ(failureOf([&] { remove(local, "x"); }), "Cannot delete variable");
    EXPECT_EQ(local.size(), 1u);
    clear(local);
    EXPECT_EQ(global[0].getInteger(), 3);
}

TEST(VariableList, AnAliasOutlivingItsEntryStaysReadable) {
    Variable result;
    {
        VariableList scope;
        append(scope, integer("x", 42));
        lookup(scope, "x", result);
        remove(scope, "x");
    }
    EXPECT_EQ(result.getInteger(), 42);
}

TEST(VariablePrint, EveryTypeWithAndWithoutHeader) {
    Variable v;
    EXPECT_EQ(printed(v), "NULL");
    v.setComplex(1, -2);
    EXPECT_EQ(printed(v), "complex temp = 1 + -2i");
    v.setSystem({2, 3});
    EXPECT_EQ(printed(v, false), "2, 3, ");
    v.setVector({0.5, 1.0 / 3.0});
    EXPECT_EQ(printed(v, false), "0.5, 0.333333, ");
    v.setDouble(1234567.0);
    EXPECT_EQ(printed(v), "double temp = 1.23457e+06");
    v.setInteger(-7);
    v.name = "n";
    EXPECT_EQ(printed(v), "integer n = -7");
    v.setString("a b");
    EXPECT_EQ(printed(v, false), "a b");
}

TEST(VariablePrint, MatrixModeChoosesTheCut) {
    Variable v;
    v.setMatrix(12, 1);
    std::ostringstream cut, all;
    v.getMatrix().print(cut, false);
    v.getMatrix().print(all, true);
    EXPECT_EQ(printed(v, true, 0), "matrix temp = \n" + cut.str());
    EXPECT_EQ(printed(v, false, 1), "\n" + all.str());
}

TEST(VariableTable, PrintStateAndClear) {
    VariableTable table;
    std::ostringstream captured;
    auto* old = std::cout.rdbuf(captured.rdbuf());
    table.printState();
    append(table.variables, integer("x", 1));
    Variable s;
    s.setString("t");
    s.name = "label";
    append(table.variables, s);
    table.printState();
    std::cout.rdbuf(old);
    EXPECT_EQ(captured.str(), "State List:\nState List:\n<integer, x>\n<string, label>\n");
    table.clear();
    EXPECT_TRUE(table.variables.empty());
}
