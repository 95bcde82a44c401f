#pragma once
// Opening and closing module files (shared objects) and finding their entry point.

#include <string>
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
    explicit ModuleHandle(void* native) : native_(native) {}
    ModuleHandle(const ModuleHandle&) = delete;
    ModuleHandle& operator=(const ModuleHandle&) = delete;
    ModuleHandle(ModuleHandle&& other) noexcept : native_(other.native_) { other.native_ = nullptr; }
    ModuleHandle& operator=(ModuleHandle&& other) noexcept;
    ~ModuleHandle() { close(); }

    explicit operator bool() const { return native_ != nullptr; }
    void close();
    // The module's LoadCommandLibrary, or null when it exports none.
    LoadCommandLibraryFunction entryPoint() const;

private:
    void* native_ = nullptr;
};

// Opens the module by its name, then as DIR/name for each search directory in order.
// An empty handle when none of them is a loadable module.
ModuleHandle openModule(const std::string& name, const std::vector<std::string>& searchPath);

}  // namespace tala::interp
