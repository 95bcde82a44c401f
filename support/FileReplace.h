#pragma once
// Writing a whole file the way a careful tool does.
//
// A regular file (or a name not taken yet) is never left half written: the bytes go to a
// temporary beside the final file, are flushed to the disk, and the temporary is renamed
// over it. A symbolic link is followed, so the link stays a link and the file it names is
// the one replaced. The new file keeps the old one's mode and, where the process may set
// it, its owner. A file the user may not write is refused, as a shell's ">" refuses it.
// A name that holds something other than a regular file (a terminal, /dev/null, a pipe)
// is written in place: no temporary, no rename. A termination signal (SIGTERM, SIGINT,
// SIGHUP) left at its default that arrives during the write removes the temporary before
// the process ends of it.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace support {

// Permissions a new file gets, before the umask: 0666 for ordinary output; 0600 for
// files that may hold what a user typed, such as a shell's history.
inline constexpr mode_t kOrdinaryFileMode = 0666;
inline constexpr mode_t kPrivateFileMode = 0600;

// Replaces the file `path` with `bytes`. On any failure the temporary is removed, an
// earlier file under `path` stays as it was, and support::Failure is raised carrying the
// reason alone (the system's error text, such as "No such file or directory"), for the
// caller to put into its own message.
void replaceFile(const std::string& path, std::string_view bytes, mode_t newFileMode = kOrdinaryFileMode);

// Why replaceFile(path, ...) would fail before it writes anything (a missing folder, a
// file or folder the user may not write), or "" when it would go ahead: for a check
// before a long run whose result would otherwise be lost.
std::string replaceProblem(const std::string& path);

// Opens `path` for writing as the shell's ">" (or ">>" with `append`) would, creating it
// with 0666 less the umask: answers the descriptor, or -1 with errno set. A pipe without
// a reader is refused (ENXIO) instead of waiting for one. A write beyond the file-size
// limit fails with EFBIG instead of ending the process.
int openForWriting(const std::string& path, bool append);

// Opens `path` for reading without waiting for a writer when it is a pipe (the caller
// checks the type): answers the descriptor, or -1 with errno set.
int openForReading(const std::string& path);

// Writes all of `bytes` to `fd`, again after a signal; false with errno set on a failure.
bool writeAll(int fd, std::string_view bytes);

// The system's reason for a failed open or write, with the limit named for EFBIG.
std::string writeFailureReason(int error);

// Temporaries are named ".~NNNNNN.tmp": short and of fixed length, so that any name
// the system accepts can be replaced.
bool isReplaceTemporary(std::string_view fileName);

}  // namespace support
