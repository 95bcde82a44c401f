// Modules in the browser: a page cannot open shared objects, so every load fails with
// a message that says so.

#include "interp/ModuleLoader.h"

namespace tala::interp {

ModuleHandle::ModuleHandle(ModuleHandle&& other) noexcept : path_(std::move(other.path_)) { other.native_ = nullptr; }

ModuleHandle& ModuleHandle::operator=(ModuleHandle&& other) noexcept {
    path_ = std::move(other.path_);
    other.native_ = nullptr;
    return *this;
}

void ModuleHandle::close() { native_ = nullptr; }

LoadCommandLibraryFunction ModuleHandle::entryPoint(std::string& error) const {
    error = "modules are not in the browser";
    return nullptr;
}

ModuleHandle openModule(const std::string& name, const std::vector<std::string>&, std::vector<LoadFailure>& failures) {
    failures.push_back({name, "modules (shared objects) are not in the browser: the page has only its built-in words"});
    return {};
}

}  // namespace tala::interp
