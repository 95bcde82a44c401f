#include "interp/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "interp/OutputFile.h"
#include "linalg/Failure.h"

namespace tala::interp {

namespace {

// The permissions a plain new file would get: read and write for all, less the umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

void replaceFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) throw Failure(std::strerror(ENOENT));
    if (holdsNulByte(path)) throw Failure(kNulInFileName);

    std::string pattern = path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) throw Failure(std::strerror(errno));

    int error = 0;
    if (::fchmod(fd, newFileMode()) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(name.data(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(name.data());
        throw Failure(std::strerror(error));
    }
}

}  // namespace tala::interp
