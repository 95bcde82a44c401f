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
// This C++ library has no floating-point to_chars yet.
#include "ShortestDouble.h"
namespace std {
inline to_chars_result to_chars(char* first, char* last, double value) {
    return flock::web::shortestDouble(first, last, value);
}
}  // namespace std
#endif
