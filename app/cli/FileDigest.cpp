#include "app/cli/FileDigest.h"

#include <nettle/sha2.h>

#include "interp/InterpreterCore.h"

namespace flock {

std::string sha256Hex(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

std::optional<FileIdentity> identifyFile(const std::string& kind, const std::string& name, const std::string& path,
                                         std::string& reason) {
    const std::optional<std::string> bytes = tala::interp::readRegularFile(path, "the " + kind + " file '" + name + "'", &reason);
    if (!bytes) return std::nullopt;
    return FileIdentity{kind, name, bytes->size(), sha256Hex(*bytes)};
}

}  // namespace flock
