#pragma once
// Memory refused before it runs out. On Linux an allocation rarely fails: memory is
// promised first and taken later, and when it runs out the kernel ends the process.
// So the storage of every live matrix and script value is counted process-wide, and
// a request that would take the count over the budget fails with its own message
// before anything is allocated.
//
// The budget is the memory available at start-up less a safety margin;
// FLOCK_MEMORY_LIMIT_MB in the environment lowers it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace linalg {

// The budget in bytes.
std::int64_t memoryBudget();
// The budget for `available` bytes of memory and the FLOCK_MEMORY_LIMIT_MB text `limit`
// (null when unset). A limit that is not a positive number, or is more than what is
// available, leaves the budget as it is and sets `notice` to say so.
std::int64_t memoryBudgetFor(std::int64_t available, const char* limit, std::string& notice);
// Replaces the budget (tests, programs with their own limit).
void setMemoryBudget(std::int64_t bytes);
// Bytes counted now.
std::int64_t memoryInUse();

// Raises, unless `bytes` more fit in the budget now:
// "Not enough memory for WHAT: it needs N MB, but only M MB of the memory budget are free".
void requireMemory(std::int64_t bytes, std::string_view what);

// Counts bytes against the budget; false (nothing counted) when they do not fit.
bool countMemory(std::int64_t bytes);
void uncountMemory(std::int64_t bytes);

// Memory held by caches that can give it back at any time. It only takes what is free:
// counting it fails when the bytes in use and the cached bytes would pass the budget,
// and a cache gives way (cachedMemoryOverBudget) once other uses have grown into it.
// Other requests, memoryInUse() and the failures' figures leave it out, so a cache
// never changes what is refused or what a refusal says.
std::int64_t memoryCached();
bool countCachedMemory(std::int64_t bytes);
void uncountCachedMemory(std::int64_t bytes);
bool cachedMemoryOverBudget();
[[noreturn]] void refuseMemory(std::int64_t bytes, std::string_view what);

// An array of value-initialised T whose bytes are counted while it lives.
template <class T>
class CountedArray {
public:
    CountedArray() = default;
    CountedArray(CountedArray&& other) noexcept : data_(std::move(other.data_)), bytes_(other.bytes_) {
        other.bytes_ = 0;
    }
    CountedArray& operator=(CountedArray&& other) noexcept {
        if (this != &other) {
            reset();
            data_ = std::move(other.data_);
            bytes_ = other.bytes_;
            other.bytes_ = 0;
        }
        return *this;
    }
    ~CountedArray() { reset(); }

    // Nothing (and false) when the bytes do not fit in the budget; raises
    // std::bad_alloc when the system refuses them.
    static bool make(std::size_t count, CountedArray& array) {
        const auto bytes = static_cast<std::int64_t>(count * sizeof(T));
        if (!countMemory(bytes)) return false;
        CountedArray made;
        try {
            made.data_.reset(new T[count]());
        } catch (...) {
            uncountMemory(bytes);
            throw;
        }
        made.bytes_ = bytes;
        array = std::move(made);
        return true;
    }

    T* get() const { return data_.get(); }
    T& operator[](std::size_t i) const { return data_[i]; }
    explicit operator bool() const { return data_ != nullptr; }
    void reset() noexcept {
        data_.reset();
        uncountMemory(bytes_);
        bytes_ = 0;
    }

private:
    std::unique_ptr<T[]> data_;
    std::int64_t bytes_ = 0;
};

// An allocator that counts what it hands out, and `Extra` bytes more for each
// allocation (what goes with it elsewhere, such as a list entry). A request that does
// not fit is refused with the message for "a value".
template <class T, std::size_t Extra = 0>
struct CountingAllocator {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = CountingAllocator<U, Extra>;
    };

    CountingAllocator() = default;
    template <class U>
    CountingAllocator(const CountingAllocator<U, Extra>&) noexcept {}

    T* allocate(std::size_t n) {
        const auto bytes = static_cast<std::int64_t>(n * sizeof(T) + Extra);
        if (!countMemory(bytes)) refuseMemory(bytes, "a value");
        try {
            return std::allocator<T>().allocate(n);
        } catch (...) {
            uncountMemory(bytes);
            throw;
        }
    }
    void deallocate(T* p, std::size_t n) noexcept {
        std::allocator<T>().deallocate(p, n);
        uncountMemory(static_cast<std::int64_t>(n * sizeof(T) + Extra));
    }
    template <class U>
    bool operator==(const CountingAllocator<U, Extra>&) const noexcept {
        return true;
    }
};

}  // namespace linalg
