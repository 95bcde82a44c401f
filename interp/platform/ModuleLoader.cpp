#include "interp/ModuleLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <utility>

#include "support/OutputFile.h"

namespace tala::interp {

using support::holdsNulByte;
using support::kNulInFileName;
using support::shownFileName;

namespace {

// The loader's text about its last failure; empty when it has none.
std::string loaderError() {
    const char* text = dlerror();
    return text ? text : "";
}

ModuleHandle tryOpen(const std::string& path, std::vector<LoadFailure>& failures) {
    if (path.empty()) return {};
    // dlopen would read a name holding a NUL byte only up to it: another file.
    if (holdsNulByte(path)) {
        failures.push_back({shownFileName(path), kNulInFileName});
        return {};
    }
    // A bare name would only be searched in the system's library directories; a module
    // file of that name in the working directory comes first.
    std::string file = path;
    std::error_code error;
    if (path.find('/') == std::string::npos && std::filesystem::is_regular_file(path, error))
        file = "./" + path;
    void* native = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!native) failures.push_back({file, loaderError()});
    return native ? ModuleHandle(native, file) : ModuleHandle();
}

}  // namespace

ModuleHandle::ModuleHandle(ModuleHandle&& other) noexcept
    : native_(std::exchange(other.native_, nullptr)), path_(std::move(other.path_)) {}

ModuleHandle& ModuleHandle::operator=(ModuleHandle&& other) noexcept {
    if (this != &other) {
        close();
        native_ = std::exchange(other.native_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

void ModuleHandle::close() {
    if (native_) dlclose(native_);
    native_ = nullptr;
}

LoadCommandLibraryFunction ModuleHandle::entryPoint(std::string& error) const {
    if (!native_) return nullptr;
    dlerror();
    void* symbol = dlsym(native_, kLoadCommandLibraryName);
    if (!symbol) error = loaderError();
    return reinterpret_cast<LoadCommandLibraryFunction>(symbol);
}

ModuleHandle openModule(const std::string& name, const std::vector<std::string>& searchPath,
                        std::vector<LoadFailure>& failures) {
    if (ModuleHandle handle = tryOpen(name, failures)) return handle;
    for (const std::string& directory : searchPath)
        if (ModuleHandle handle = tryOpen(directory + "/" + name, failures)) return handle;
    return {};
}

}  // namespace tala::interp
