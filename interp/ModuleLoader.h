#pragma once
// Opening and closing module files (shared objects) and finding their entry point.

#include <string>
#include <utility>
#include <vector>

#include "interp/CommandLibrary.h"

namespace tala::interp {

// The error code printed when a module lacks the entry point. The loader reports no
// numeric code of its own, so this fixed value (127, "symbol not found") stands in.
inline constexpr int kEntryPointMissingCode = 127;

// One open module file; closed when the handle goes.
class ModuleHandle {
public:
    ModuleHandle() = default;
    ModuleHandle(void* native, std::string path) : native_(native), path_(std::move(path)) {}
    ModuleHandle(const ModuleHandle&) = delete;
    ModuleHandle& operator=(const ModuleHandle&) = delete;
    ModuleHandle(ModuleHandle&& other) noexcept;
    ModuleHandle& operator=(ModuleHandle&& other) noexcept;
    ~ModuleHandle() { close(); }

    explicit operator bool() const { return native_ != nullptr; }
    void close();
    // The path the module was loaded from.
    const std::string& path() const { return path_; }
    // The module's LoadCommandLibrary, or null when it exports none; then `error`
    // receives the loader's own text.
    LoadCommandLibraryFunction entryPoint(std::string& error) const;

private:
    void* native_ = nullptr;
    std::string path_;
};

// A path the loader tried in vain, and the loader's text about it.
struct LoadFailure {
    std::string path;
    std::string error;
};

// Opens the module by its name, then as DIR/name for each search directory in order.
// An empty handle when none of them is a loadable module; `failures` receives each
// path tried in vain.
ModuleHandle openModule(const std::string& name, const std::vector<std::string>& searchPath,
                        std::vector<LoadFailure>& failures);

}  // namespace tala::interp
