#include "interp/ModuleLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace tala::interp {

namespace {

ModuleHandle tryOpen(const std::string& path) {
    if (path.empty()) return {};
    // A bare name would only be searched in the system's library directories; a module
    // file of that name in the working directory comes first.
    std::string file = path;
    std::error_code error;
    if (path.find('/') == std::string::npos && std::filesystem::is_regular_file(path, error))
        file = "./" + path;
    return ModuleHandle(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL));
}

}  // namespace

ModuleHandle& ModuleHandle::operator=(ModuleHandle&& other) noexcept {
    if (this != &other) {
        close();
        native_ = other.native_;
        other.native_ = nullptr;
    }
    return *this;
}

void ModuleHandle::close() {
    if (native_) dlclose(native_);
    native_ = nullptr;
}

LoadCommandLibraryFunction ModuleHandle::entryPoint() const {
    if (!native_) return nullptr;
    dlerror();
    void* symbol = dlsym(native_, kLoadCommandLibraryName);
    return reinterpret_cast<LoadCommandLibraryFunction>(symbol);
}

ModuleHandle openModule(const std::string& name, const std::vector<std::string>& searchPath) {
    if (ModuleHandle handle = tryOpen(name)) return handle;
    for (const std::string& directory : searchPath)
        if (ModuleHandle handle = tryOpen(directory + "/" + name)) return handle;
    return {};
}

}  // namespace tala::interp
