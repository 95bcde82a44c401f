#include "interp/Variable.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ostream>

#include "support/Failure.h"
#include "linalg/MemoryBudget.h"

namespace tala::interp {

using support::Failure;

namespace {

// The typed access behind every getter: the type name must match exactly and the
// stored alternative must agree with it.
template <typename T>
T& typedValue(const Variable& variable, const char* typeName, const char* message) {
    if (!variable.value || variable.typeName != typeName) throw Failure(message);
    T* stored = std::get_if<T>(variable.value.get());
    if (!stored) throw Failure(message);
    return *stored;
}

template <typename T>
void store(Variable& variable, const char* typeName, T value) {
    // A new cell every time: an alias of the old value must keep seeing the old value.
    variable.value = makeValue(std::move(value));
    variable.name = kTempName;
    variable.typeName = typeName;
}

// Names in a decision maker's list share long prefixes ("Action.0.0.ket.4") and differ
// at the end: the last character is compared before the rest.
bool sameName(const std::string& a, std::string_view b) {
    return a.size() == b.size() && (b.empty() || (a.back() == b.back() && std::memcmp(a.data(), b.data(), b.size()) == 0));
}

// The seven type names the setters give.
bool knownTypeName(const std::string& name) {
    switch (name.size()) {
        case 6: return name == "string" || name == "double" || name == "matrix" || name == "system" || name == "vector";
        case 7: return name == "integer" || name == "complex";
        default: return false;
    }
}

template <typename List>
void printList(std::ostream& out, const List& list) {
    for (const auto& item : list) out << item << ", ";
}

}  // namespace

std::shared_ptr<Value> makeValue(Value value) {
    return std::allocate_shared<Value>(linalg::CountingAllocator<Value, kValueEntryBytes>(), std::move(value));
}

Variable::Variable(std::string name_, std::string typeName_, std::shared_ptr<Value> value_)
    : name(std::move(name_)), typeName(std::move(typeName_)), value(std::move(value_)) {}

Variable::Variable(const Variable& other, bool borrowed_)
    : name(other.name), typeName(other.typeName), value(other.value), borrowed(borrowed_) {}

void Variable::release() { value.reset(); }

void Variable::setString(std::string text) { store(*this, "string", std::move(text)); }
void Variable::setInteger(std::int32_t number) { store(*this, "integer", number); }
void Variable::setDouble(double number) { store(*this, "double", number); }
void Variable::setComplex(double re, double im) { store(*this, "complex", linalg::Complex{re, im}); }
void Variable::setComplex(linalg::Complex z) { store(*this, "complex", z); }
void Variable::setVector(DoubleList list) { store(*this, "vector", std::move(list)); }
void Variable::setMatrix(linalg::Matrix matrix) { store(*this, "matrix", std::move(matrix)); }

linalg::Matrix& Variable::setMatrix(int rows, int cols) {
    // Build first: a refused size leaves the variable as it was.
    linalg::Matrix matrix(rows, cols);
    setMatrix(std::move(matrix));
    return std::get<linalg::Matrix>(*value);
}

std::string& Variable::getString() const {
    return typedValue<std::string>(*this, "string", "getString error - type is NULL or not string");
}
std::int32_t& Variable::getInteger() const {
    return typedValue<std::int32_t>(*this, "integer", "getInteger error - type is NULL or not int");
}
double& Variable::getDouble() const {
    return typedValue<double>(*this, "double", "getInteger error - type is NULL or not double");
}
linalg::Complex& Variable::getComplex() const {
    return typedValue<linalg::Complex>(*this, "complex", "getComplex error - type is NULL or not complex");
}
linalg::Matrix& Variable::getMatrix() const {
    return typedValue<linalg::Matrix>(*this, "matrix", "getMatrix error - type is NULL or not matrix");
}
SystemDims& Variable::getSystem() const {
    return typedValue<SystemDims>(*this, "system", "getInteger error - type is NULL or not System");
}
DoubleList& Variable::getVector() const {
    return typedValue<DoubleList>(*this, "vector", "getVector error - type is NULL or not vector");
}

void Variable::print(std::ostream& out, bool header, int matrixMode) const {
    if (!value) {
        out << "NULL";
        return;
    }
    if (header) out << typeName << " " << name << " = ";
    const Value& v = *value;
    if (typeName == "string" && std::holds_alternative<std::string>(v)) {
        out << std::get<std::string>(v);
    } else if (typeName == "integer" && std::holds_alternative<std::int32_t>(v)) {
        out << std::get<std::int32_t>(v);
    } else if (typeName == "double" && std::holds_alternative<double>(v)) {
        out << std::get<double>(v);
    } else if (typeName == "complex" && std::holds_alternative<linalg::Complex>(v)) {
        const auto& z = std::get<linalg::Complex>(v);
        out << z.re << " + " << z.im << "i";
    } else if (typeName == "system" && std::holds_alternative<SystemDims>(v)) {
        printList(out, std::get<SystemDims>(v));
    } else if (typeName == "vector" && std::holds_alternative<DoubleList>(v)) {
        printList(out, std::get<DoubleList>(v));
    } else if (typeName == "matrix" && std::holds_alternative<linalg::Matrix>(v)) {
        out << "\n";
        std::get<linalg::Matrix>(v).print(out, matrixMode == 1);
    }
}

void set(Variable& target, const Variable& value) {
    if (!value.value || !target.value || target.typeName != value.typeName) return;
    // Writing a value onto its own storage changes nothing.
    if (target.value == value.value) return;
    if (!knownTypeName(target.typeName)) throw Failure("Object::set unkown type");
    // Same type name but differently stored values cannot come from the setters;
    // treat them like a type mismatch rather than replace the target's kind.
    if (target.value->index() != value.value->index()) return;
    std::visit(
        [&](auto& stored) {
            using T = std::decay_t<decltype(stored)>;
            stored = std::get<T>(*value.value);
        },
        *target.value);
}

std::uint64_t VariableList::newStamp() {
    // Each thread hands out stamps from a block of its own, so that no two lists, of
    // any thread, ever get the same one.
    static std::atomic<std::uint64_t> nextBlock{0};
    constexpr std::uint64_t kBlock = std::uint64_t{1} << 32;
    thread_local std::uint64_t next = 0, end = 0;
    if (next == end) {
        next = (nextBlock.fetch_add(1, std::memory_order_relaxed) + 1) * kBlock;
        end = next + kBlock;
    }
    return next++;
}

VariableList::VariableList(VariableList&& other) noexcept
    : entries_(std::move(other.entries_)), stamp_(newStamp()) {
    other.entries_.clear();
    other.stamp_ = newStamp();
}

VariableList& VariableList::operator=(VariableList&& other) noexcept {
    if (this != &other) {
        entries_ = std::move(other.entries_);
        other.entries_.clear();
        other.stamp_ = newStamp();
    }
    stamp_ = newStamp();
    return *this;
}

void VariableList::emplace_back(const Variable& variable, bool borrowed) {
    entries_.emplace_back(variable, borrowed);
    stamp_ = newStamp();
}

void VariableList::erase(const_iterator position) {
    entries_.erase(position);
    stamp_ = newStamp();
}

void VariableList::erase(const_iterator first, const_iterator last) {
    entries_.erase(first, last);
    stamp_ = newStamp();
}

void VariableList::clear() {
    entries_.clear();
    stamp_ = newStamp();
}

void append(VariableList& list, const Variable& variable) { list.emplace_back(variable, false); }

const Variable* findLast(const VariableList& list, std::string_view name) {
    // From the end: the last entry of the name is the one found.
    for (std::size_t i = list.size(); i > 0; --i)
        if (sameName(list[i - 1].name, name)) return &list[i - 1];
    return nullptr;
}

void lookup(const VariableList& list, const std::string& name, Variable& result) {
    const Variable* entry = findLast(list, name);
    if (entry == nullptr) return;
    result.name = entry->name;
    result.typeName = entry->typeName;
    result.value = entry->value;
}

void assign(VariableList& list, const std::string& name, const Variable& value) {
    for (Variable& entry : list)
        if (sameName(entry.name, name)) set(entry, value);
}

void remove(VariableList& list, const std::string& name) {
    auto it = std::find_if(list.begin(), list.end(), [&](const Variable& entry) { return entry.name == name; });
    if (it == list.end()) return;
    if (it->borrowed) throw Failure("Cannot delete variable");
    list.erase(it);
}

void VariableHandle::rename(std::string name) {
    name_ = std::move(name);
    list_ = nullptr;
}

void VariableHandle::find(const VariableList& list) {
    last_ = kNone;
    others_.clear();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!sameName(list[i].name, name_)) continue;
        if (last_ != kNone) others_.push_back(last_);
        last_ = i;
    }
    list_ = &list;
    stamp_ = list.stamp();
}

const Variable* VariableHandle::findLast(const VariableList& list) {
    if (list_ != &list || stamp_ != list.stamp()) find(list);
    return last_ == kNone ? nullptr : &list[last_];
}

void VariableHandle::assign(VariableList& list, const Variable& value) {
    if (list_ != &list || stamp_ != list.stamp()) find(list);
    if (last_ == kNone) return;
    for (std::size_t i : others_) set(list[i], value);
    set(list[last_], value);
}

}  // namespace tala::interp
