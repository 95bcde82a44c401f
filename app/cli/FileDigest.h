#pragma once
// Who a file is: its size and SHA-256, for the provenance lines of row files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace flock {

// The SHA-256 of `bytes`, 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

struct FileIdentity {
    std::string kind;  // "setup" or "sensors"
    std::string name;  // as the rows name it
    std::uint64_t size = 0;
    std::string sha256;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file `path`, read whole; nothing (and `reason`) when it
// cannot be read.
std::optional<FileIdentity> identifyFile(const std::string& kind, const std::string& name, const std::string& path,
                                         std::string& reason);

}  // namespace flock
