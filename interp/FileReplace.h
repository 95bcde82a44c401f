#pragma once
// Writing a whole file so that a failed or interrupted write never leaves half a file
// under the target's name: the bytes go to a temporary in the target's folder, are
// flushed to the disk, and the temporary is renamed over the target.

#include <string>
#include <string_view>

namespace tala::interp {

// Replaces the file `path` with `bytes`. On any failure the temporary is removed, an
// earlier file under `path` stays as it was, and tala::Failure is raised carrying the
// reason alone (the system's error text, such as "No such file or directory"), for the
// caller to put into its own message.
void replaceFile(const std::string& path, std::string_view bytes);

}  // namespace tala::interp
