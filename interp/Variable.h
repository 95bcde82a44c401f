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
#include <utility>
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

// The entries of one scope, in order. Every change of which entries there are (an
// append, a removal, a clear, a move) gives the list a new stamp, never given to any
// list before; what an entry's name is cannot change while it is in a list (element
// access is for its value). So a list with the stamp a VariableHandle found a name at
// holds the name's entries just where they were.
class VariableList {
public:
    using Entries = std::vector<Variable>;
    using iterator = Entries::iterator;
    using const_iterator = Entries::const_iterator;

    VariableList() : stamp_(newStamp()) {}
    VariableList(VariableList&& other) noexcept;
    VariableList& operator=(VariableList&& other) noexcept;
    VariableList(const VariableList&) = delete;
    VariableList& operator=(const VariableList&) = delete;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Entries to read, and to write values through (never names).
    Variable& operator[](std::size_t i) { return entries_[i]; }
    const Variable& operator[](std::size_t i) const { return entries_[i]; }
    Variable& back() { return entries_.back(); }
    const Variable& back() const { return entries_.back(); }
    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

    // A copy of `variable` sharing its value, with the given borrowed flag.
    void emplace_back(const Variable& variable, bool borrowed);
    void erase(const_iterator position);
    void erase(const_iterator first, const_iterator last);
    void clear();

    // Changes with every change of which entries the list holds.
    std::uint64_t stamp() const { return stamp_; }

private:
    static std::uint64_t newStamp();

    Entries entries_;
    std::uint64_t stamp_;
};

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

// Where the entries of one name sit in one list, found by a scan and then kept while
// the list keeps its stamp; a list of another stamp (or another list) is scanned
// afresh. What it answers is what findLast and assign do on the list, without the scan.
class VariableHandle {
public:
    VariableHandle() = default;
    explicit VariableHandle(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    // Another name: the next use scans afresh.
    void rename(std::string name);

    // findLast(list, name()).
    const Variable* findLast(const VariableList& list);
    // assign(list, name(), value).
    void assign(VariableList& list, const Variable& value);

private:
    void find(const VariableList& list);

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::string name_;
    const VariableList* list_ = nullptr;  // the list the positions are of, at stamp_
    std::uint64_t stamp_ = 0;
    std::size_t last_ = kNone;             // the last entry of the name
    std::vector<std::size_t> others_;      // the entries before it, in order
};

}  // namespace tala::interp
