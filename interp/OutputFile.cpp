#include "interp/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tala::interp {

bool holdsNulByte(std::string_view fileName) { return fileName.find('\0') != std::string_view::npos; }

std::string shownFileName(std::string_view fileName) {
    std::string shown;
    shown.reserve(fileName.size());
    for (char c : fileName) {
        if (c == '\0') shown += "\\0";
        else shown.push_back(c);
    }
    return shown;
}

std::string cannotOpenFileText(std::string_view fileName) {
    std::string text = "Cannot open file '" + shownFileName(fileName) + "'";
    if (holdsNulByte(fileName)) text += std::string(": ") + kNulInFileName;
    return text;
}

std::string cannotWriteFileText(std::string_view fileName, std::string_view reason) {
    return "Cannot write file '" + shownFileName(fileName) + "': " + std::string(reason);
}

OutputFile::OutputFile(const std::string& fileName, Mode mode) : std::ostream(&buffer) {
    if (holdsNulByte(fileName)) {
        buffer.error = EINVAL;
        return;
    }
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Append ? O_APPEND : O_TRUNC);
    do {
        buffer.fd = ::open(fileName.c_str(), flags, 0666);
    } while (buffer.fd < 0 && errno == EINTR);
    if (buffer.fd < 0) buffer.error = errno;
}

OutputFile::~OutputFile() { finish(); }

std::string OutputFile::finish() {
    buffer.drain();
    if (buffer.fd >= 0) {
        if (::close(buffer.fd) != 0 && buffer.error == 0) buffer.error = errno;
        buffer.fd = -1;
    }
    return buffer.error == 0 ? std::string() : std::string(std::strerror(buffer.error));
}

void OutputFileBuffer::drain() {
    const char* from = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    setp(space.data(), space.data() + space.size());
    // After a failure the rest is dropped: the first reason is the one reported.
    if (fd < 0 || error != 0) return;
    while (left > 0) {
        const ssize_t written = ::write(fd, from, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return;
        }
        from += written;
        left -= static_cast<std::size_t>(written);
    }
}

int OutputFileBuffer::overflow(int c) {
    drain();
    if (c != traits_type::eof()) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int OutputFileBuffer::sync() {
    drain();
    return error == 0 ? 0 : -1;
}

}  // namespace tala::interp
