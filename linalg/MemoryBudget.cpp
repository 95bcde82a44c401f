#include "linalg/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>

#include "support/Failure.h"

namespace linalg {

namespace {

constexpr std::int64_t kMegabyte = std::int64_t{1} << 20;

// What the kernel reports as available without swapping; the physical memory when
// that cannot be read.
std::int64_t availableAtStartUp() {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        std::int64_t kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:") return kilobytes * 1024;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) return std::int64_t{pages} * pageSize;
    return std::int64_t{1} << 40;
}

// The margin leaves room for what is not counted: code, stacks, texts, the
// allocator's own keeping, and the other programs of the machine.
std::int64_t defaultBudget() {
    std::string notice;
    const std::int64_t budget = memoryBudgetFor(availableAtStartUp(), std::getenv("FLOCK_MEMORY_LIMIT_MB"), notice);
    if (!notice.empty()) std::cerr << notice << "\n";
    return budget;
}

}  // namespace

std::int64_t memoryBudgetFor(std::int64_t available, const char* limit, std::string& notice) {
    const std::int64_t margin = std::max<std::int64_t>(256 * kMegabyte, available / 8);
    std::int64_t budget = std::max<std::int64_t>(available - margin, 64 * kMegabyte);
    if (limit != nullptr) {
        std::string_view text(limit);
        if (text.size() > 1 && text.front() == '+') text.remove_prefix(1);
        std::int64_t megabytes = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), megabytes);
        const bool whole = error == std::errc() && end == text.data() + text.size() && !text.empty();
        const bool overflowing = error == std::errc::result_out_of_range && text.front() != '-';
        if (overflowing || (whole && megabytes > available / kMegabyte)) {
            // Compared in megabytes: the product in bytes could overflow.
            notice = "FLOCK_MEMORY_LIMIT_MB='" + std::string(limit) + "' is more than the " +
                     std::to_string(available / kMegabyte) + " MB of memory available; the budget stays at " +
                     std::to_string(budget / kMegabyte) + " MB.";
        } else if (whole && megabytes > 0) {
            budget = std::min<std::int64_t>(budget, megabytes * kMegabyte);
        } else {
            notice = "FLOCK_MEMORY_LIMIT_MB='" + std::string(limit) + "' is not a number of megabytes; ignored.";
        }
    }
    return budget;
}

namespace {

std::atomic<std::int64_t>& budgetBytes() {
    static std::atomic<std::int64_t> budget{defaultBudget()};
    return budget;
}

std::atomic<std::int64_t> inUse{0};

std::string sizeText(std::int64_t bytes, bool roundUp) {
    auto in = [&](std::int64_t unit) { return (bytes + (roundUp ? unit - 1 : 0)) / unit; };
    if (bytes < 10 * 1024) return std::to_string(bytes) + " bytes";
    if (bytes < 10 * kMegabyte) return std::to_string(in(1024)) + " KB";
    return std::to_string(in(kMegabyte)) + " MB";
}

}  // namespace

std::int64_t memoryBudget() { return budgetBytes().load(); }

void setMemoryBudget(std::int64_t bytes) { budgetBytes().store(bytes); }

std::int64_t memoryInUse() { return inUse.load(); }

bool countMemory(std::int64_t bytes) {
    const std::int64_t budget = memoryBudget();
    const std::int64_t after = inUse.fetch_add(bytes) + bytes;
    if (bytes <= 0 || after <= budget) return true;
    inUse.fetch_sub(bytes);
    return false;
}

void uncountMemory(std::int64_t bytes) { inUse.fetch_sub(bytes); }

namespace {
std::atomic<std::int64_t> cached{0};
}  // namespace

std::int64_t memoryCached() { return cached.load(); }

bool countCachedMemory(std::int64_t bytes) {
    const std::int64_t after = cached.fetch_add(bytes) + bytes;
    if (bytes <= 0 || after + memoryInUse() <= memoryBudget()) return true;
    cached.fetch_sub(bytes);
    return false;
}

void uncountCachedMemory(std::int64_t bytes) { cached.fetch_sub(bytes); }

bool cachedMemoryOverBudget() { return memoryCached() > 0 && memoryCached() + memoryInUse() > memoryBudget(); }

void refuseMemory(std::int64_t bytes, std::string_view what) {
    const std::int64_t free = std::max<std::int64_t>(memoryBudget() - memoryInUse(), 0);
    // What is needed is rounded up and what is free down, so the two never look alike.
    throw support::Failure("Not enough memory for " + std::string(what) + ": it needs " + sizeText(bytes, true) +
                        ", but only " + sizeText(free, false) + " of the memory budget are free");
}

void requireMemory(std::int64_t bytes, std::string_view what) {
    if (bytes > std::max<std::int64_t>(memoryBudget() - memoryInUse(), 0)) refuseMemory(bytes, what);
}

}  // namespace linalg
