#include "interp/Scope.h"

#include <algorithm>

#include "support/Failure.h"

namespace tala::interp {

using support::Failure;

Scope::Scope(VariableList& entries) : entries_(&entries) {}

Scope::Scope(Scope& parent) : parent_(&parent), parentVisible_(parent.entries_->size()), entries_(&own_) {}

void Scope::append(const Variable& variable) { tala::interp::append(*entries_, variable); }

// Own entries past `visible` came after the asking child was made; entries removed since
// (a delete, which only the removing command's own scope outlives) shorten the view.
const Variable* Scope::findLast(const std::string& name, std::size_t visible) const {
    const std::size_t count = std::min(visible, entries_->size());
    for (std::size_t i = count; i > 0; --i)
        if ((*entries_)[i - 1].name == name) return &(*entries_)[i - 1];
    return parent_ == nullptr ? nullptr : parent_->findLast(name, parentVisible_);
}

const Variable* Scope::findFirst(const std::string& name, std::size_t visible) const {
    if (parent_ != nullptr)
        if (const Variable* found = parent_->findFirst(name, parentVisible_)) return found;
    const std::size_t count = std::min(visible, entries_->size());
    for (std::size_t i = 0; i < count; ++i)
        if ((*entries_)[i].name == name) return &(*entries_)[i];
    return nullptr;
}

void Scope::assignVisible(const std::string& name, const Variable& value, std::size_t visible) {
    if (parent_ != nullptr) parent_->assignVisible(name, value, parentVisible_);
    const std::size_t count = std::min(visible, entries_->size());
    for (std::size_t i = 0; i < count; ++i)
        if ((*entries_)[i].name == name) set((*entries_)[i], value);
}

void Scope::copyVisible(VariableList& into, std::size_t visible) const {
    if (parent_ != nullptr) parent_->copyVisible(into, parentVisible_);
    const std::size_t count = std::min(visible, entries_->size());
    for (std::size_t i = 0; i < count; ++i) into.emplace_back((*entries_)[i], true);
}

void Scope::lookup(const std::string& name, Variable& result) const {
    const Variable* found = findLast(name, entries_->size());
    if (found == nullptr) return;
    result.name = found->name;
    result.typeName = found->typeName;
    result.value = found->value;
}

void Scope::assign(const std::string& name, const Variable& value) { assignVisible(name, value, entries_->size()); }

void Scope::remove(const std::string& name) {
    // An entry seen through the parent is borrowed here.
    if (parent_ != nullptr && parent_->findFirst(name, parentVisible_) != nullptr)
        throw Failure("Cannot delete variable");
    tala::interp::remove(*entries_, name);
}

VariableList Scope::borrowedCopy() const {
    VariableList copy;
    copyVisible(copy, entries_->size());
    return copy;
}

}  // namespace tala::interp
