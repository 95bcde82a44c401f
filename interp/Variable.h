#pragma once
// The typed language's value: a name, a type-name text and a value.
//
// Values are held through shared ownership, which gives exactly the sharing the
// language expects (a looked-up result and a scope copy alias the same storage, and
// a write through either is seen by both) while never leaving a dangling alias
// behind when the owning entry goes. Who "owns" in the script's sense (the name
// "temp", a non-borrowed list entry) decides who may release; releasing only drops
// this variable's hold.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "linalg/Complex.h"
#include "linalg/Matrix.h"

namespace tala::interp {

inline constexpr const char* kTempName = "temp";

using SystemDims = std::vector<std::int32_t>;  // subsystem dimensions, in subsystem order
using DoubleList = std::vector<double>;

// One of the seven kinds of value; which one is told by the variable's typeName.
using Value = std::variant<std::string, std::int32_t, double, linalg::Complex, linalg::Matrix,
                           DoubleList, SystemDims>;

class Variable {
public:
    Variable() = default;
    Variable(std::string name, std::string typeName, std::shared_ptr<Value> value);
    // A copy sharing name, type name and value, with the given borrowed flag.
    Variable(const Variable& other, bool borrowed);
    Variable(Variable&&) noexcept = default;
    Variable& operator=(Variable&&) noexcept = default;
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

    std::string name;
    std::string typeName;
    std::shared_ptr<Value> value;
    bool borrowed = false;

    bool hasValue() const { return value != nullptr; }
    // Drops this variable's value (the pointer becomes null).
    void release();

    // Setters: drop the current value, store the new one, name "temp".
    void setString(std::string text);
    void setInteger(std::int32_t number);
    void setDouble(double number);
    void setComplex(double re, double im);
    void setComplex(linalg::Complex z);
    linalg::Matrix& setMatrix(int rows, int cols);  // returned for the caller to fill
    void setMatrix(linalg::Matrix matrix);          // takes the matrix over
    void setVector(DoubleList list);

    // Getters: access when the type name matches exactly, else raise the getter's text.
    std::string& getString() const;
    std::int32_t& getInteger() const;
    double& getDouble() const;
    linalg::Complex& getComplex() const;
    linalg::Matrix& getMatrix() const;
    SystemDims& getSystem() const;
    DoubleList& getVector() const;

    // Header: typeName " " name " = "; matrixMode 1 writes every matrix entry, 0 the 10 x 10 cut.
    void print(std::ostream& out, bool header, int matrixMode) const;
};

// Stores value's value into target's existing value (same type names only).
void set(Variable& target, const Variable& value);

using VariableList = std::vector<Variable>;

// What one value takes besides a matrix's entries, counted against the memory
// budget while the value lives: its shared cell, and the list entry that usually
// holds it. A name longer than a short text adds its own storage.
inline constexpr std::size_t kValueEntryBytes = sizeof(Variable);
inline constexpr std::int64_t kValueBytes = sizeof(Value) + 2 * sizeof(void*) + kValueEntryBytes;

// A new value cell, counted against the memory budget (refused with a message
// when it does not fit).
std::shared_ptr<Value> makeValue(Value value);

// Runs `build`, which appends to `list`; when it raises, what it appended is taken
// out again before the failure goes on, so the list is left as it was.
template <class Build>
void appendAllOrNothing(VariableList& list, Build build) {
    const auto before = static_cast<std::ptrdiff_t>(list.size());
    try {
        build();
    } catch (...) {
        if (static_cast<std::ptrdiff_t>(list.size()) > before) list.erase(list.begin() + before, list.end());
        throw;
    }
}

// Appends a copy sharing name, type name and value; the list now owns it.
void append(VariableList& list, const Variable& variable);
// The last entry named `name` is copied into result (which owns nothing); none: untouched.
void lookup(const VariableList& list, const std::string& name, Variable& result);
// The last entry named `name` itself, or null: what lookup copies, without the copy.
const Variable* findLast(const VariableList& list, std::string_view name);
// set(entry, value) on every entry named `name`.
void assign(VariableList& list, const std::string& name, const Variable& value);
// Removes the first entry named `name`; raises "Cannot delete variable" if it is borrowed.
void remove(VariableList& list, const std::string& name);

}  // namespace tala::interp
