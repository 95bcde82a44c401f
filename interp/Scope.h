#pragma once
// The scopes of the typed language, without copies. A command's local scope refers to
// the scope it was made in (its parent) and holds only what the command itself adds,
// as the environments of Lua and Tcl do. What scripts see is that of a local scope
// made as a copy of its parent's entries, each borrowed:
//   - a scope's entries are its parent's as they were when the scope was made (the
//     parent's later additions are not among them), followed by its own;
//   - lookup finds the last entry of a name; assign writes every entry of the name;
//     remove takes the first, and refuses one seen through the parent (borrowed);
//   - the scope's own entries go when the scope goes.
// A scope's parent outlives it: local scopes live on the evaluator's stack, one per
// open evaluation, each inside the one that made it.

#include <cstddef>
#include <string>
#include <utility>

#include "interp/Variable.h"

namespace tala::interp {

class Scope {
public:
    // A scope whose entries are those of `entries` (the global list, or a list a caller
    // keeps): entries are borrowed or not as the list says, and additions go there.
    explicit Scope(VariableList& entries);
    // A command's local scope inside `parent`, with nothing of its own yet.
    explicit Scope(Scope& parent);
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    void append(const Variable& variable);
    // The last entry named `name` is copied into result (which owns nothing); none: untouched.
    void lookup(const std::string& name, Variable& result) const;
    // set(entry, value) on every entry named `name`, in order.
    void assign(const std::string& name, const Variable& value);
    // Removes the first entry named `name`; raises "Cannot delete variable" if it is borrowed.
    void remove(const std::string& name);
    // Every entry, in order, as a list of its own whose entries are all borrowed.
    VariableList borrowedCopy() const;
    // The list this scope's additions go to.
    VariableList& additions() { return *entries_; }

private:
    // The entries seen through this scope by a child made when it had `visible` of its own.
    const Variable* findLast(const std::string& name, std::size_t visible) const;
    const Variable* findFirst(const std::string& name, std::size_t visible) const;
    void assignVisible(const std::string& name, const Variable& value, std::size_t visible);
    void copyVisible(VariableList& into, std::size_t visible) const;

    Scope* parent_ = nullptr;
    std::size_t parentVisible_ = 0;  // the parent's own entries when this scope was made
    VariableList own_;
    VariableList* entries_;  // &own_, or the list of a scope made over one
};

// The list operations of interp/Variable.h, on a scope.
inline void append(Scope& scope, const Variable& variable) { scope.append(variable); }
inline void lookup(const Scope& scope, const std::string& name, Variable& result) { scope.lookup(name, result); }
inline void assign(Scope& scope, const std::string& name, const Variable& value) { scope.assign(name, value); }
inline void remove(Scope& scope, const std::string& name) { scope.remove(name); }
template <class Build>
void appendAllOrNothing(Scope& scope, Build build) {
    appendAllOrNothing(scope.additions(), std::move(build));
}

}  // namespace tala::interp
