#include "support/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iostream>

#include "support/FileReplace.h"
#include "support/Reporting.h"
#include "support/ScriptOutput.h"

namespace support {

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

namespace {
std::atomic<unsigned> fileFailures{0};
}  // namespace

void reportFileFailure(const std::string& line, const std::string& reason) {
    out() << line << "\n";
    ++fileFailures;
    if (reason.empty() || line.find(reason) != std::string::npos) {
        noteProblem();
    } else {
        warn(line + ": " + reason);
    }
}

unsigned fileFailureCount() { return fileFailures.load(); }

OutputFile::OutputFile(const std::string& fileName, Mode mode) : std::ostream(&buffer) {
    buffer.fd = openForWriting(fileName, mode == Mode::Append);
    if (buffer.fd < 0) buffer.error = errno;
}

OutputFile::~OutputFile() { finish(); }

std::string OutputFile::finish() {
    buffer.drain();
    if (buffer.fd >= 0) {
        if (::close(buffer.fd) != 0 && buffer.error == 0) buffer.error = errno;
        buffer.fd = -1;
    }
    return buffer.error == 0 ? std::string() : writeFailureReason(buffer.error);
}

void OutputFileBuffer::drain() {
    const char* from = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    setp(space.data(), space.data() + space.size());
    // After a failure the rest is dropped: the first reason is the one reported.
    if (fd >= 0 && error == 0 && !writeAll(fd, std::string_view(from, left))) error = errno;
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

}  // namespace support
