#include "linalg/KernelPath.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace linalg {

namespace {

KernelPath processorPath() {
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    // The run-time checks also ask whether the system saves the wide registers.
    if (!__builtin_cpu_supports("avx2")) return KernelPath::Portable;
    return __builtin_cpu_supports("avx512f") ? KernelPath::Avx512 : KernelPath::Avx2;
#else
    return KernelPath::Portable;
#endif
}

KernelPath startingPath() {
    const char* wanted = std::getenv("FLOCK_KERNELS");
    const std::string_view name = wanted == nullptr ? "" : wanted;
    if (name == "portable") return KernelPath::Portable;
    if (name == "avx2") return std::min(KernelPath::Avx2, bestKernelPath());
    return bestKernelPath();
}

struct Choice {
    KernelPath path;
    const KernelTable* kernels;
};

Choice choose(KernelPath path) { return {path, &kernelsFor(path)}; }

Choice& current() {
    static Choice choice = choose(startingPath());
    return choice;
}

}  // namespace

KernelPath bestKernelPath() {
    static const KernelPath best = processorPath();
    return best;
}

KernelPath kernelPath() { return current().path; }

const KernelTable& kernels() { return *current().kernels; }

KernelPath selectKernelPath(KernelPath wanted) {
    current() = choose(std::min(wanted, bestKernelPath()));
    return current().path;
}

}  // namespace linalg
