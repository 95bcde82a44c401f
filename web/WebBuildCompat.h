#pragma once
// Included first in every file of the web build: what the browser's C and C++
// libraries lack or name differently.

// The C library declares the POSIX record lock as a global `struct flock` from
// <fcntl.h>, which its other headers include; the project's namespace has that name.
// Declared here under another name, the struct never meets the namespace (nothing here
// locks records).
#define flock posix_record_lock
#include <fcntl.h>
#undef flock

#ifdef __cplusplus
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

// This C++ library has no floating-point to_chars yet: the shortest text that reads
// back as the same double, tried digit by digit.
namespace std {
inline to_chars_result to_chars(char* first, char* last, double value) {
    char text[40];
    int length = 0;
    for (int digits = 1; digits <= 17; ++digits) {
        length = snprintf(text, sizeof text, "%.*g", digits, value);
        if (strtod(text, nullptr) == value || value != value) break;
    }
    if (length < 0 || length > last - first) return {last, errc::value_too_large};
    memcpy(first, text, static_cast<size_t>(length));
    return {first + length, errc()};
}
}  // namespace std
#endif
