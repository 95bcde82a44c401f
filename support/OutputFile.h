#pragma once
// File names in messages, and a text file written through the system's own calls,
// so that a failed open or write is known together with its reason instead of
// passing in silence.

#include <array>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace support {

inline constexpr const char* kNulInFileName = "file name holds a NUL byte";

// The system would read such a name only up to the NUL byte: another file.
bool holdsNulByte(std::string_view fileName);
// The name as messages show it: a NUL byte appears as \0.
std::string shownFileName(std::string_view fileName);
// "Cannot open file 'NAME'"; for a name holding a NUL byte ": file name holds a NUL byte" follows.
std::string cannotOpenFileText(std::string_view fileName);
// "Cannot write file 'NAME': REASON".
std::string cannotWriteFileText(std::string_view fileName, std::string_view reason);

// A file word's failure: `line` goes to standard output as it always did; when it does
// not hold the system's `reason` already, "line: reason" follows on standard error.
// Either way the failure is counted (and noted as a problem of the run).
void reportFileFailure(const std::string& line, const std::string& reason);
// How many file failures were reported so far (morrow's exit status).
unsigned fileFailureCount();

// The buffer behind an OutputFile: the file's descriptor and the first failure.
struct OutputFileBuffer : std::streambuf {
    int fd = -1;
    int error = 0;  // errno of the first failure
    std::array<char, 4096> space{};

    OutputFileBuffer() { setp(space.data(), space.data() + space.size()); }
    int overflow(int c) override;
    int sync() override;
    void drain();
};

// Held first, so that the buffer exists before the stream that writes into it.
struct OutputFileBufferHolder {
    OutputFileBuffer buffer;
};

class OutputFile : private OutputFileBufferHolder, public std::ostream {
public:
    enum class Mode { Replace, Append };

    // Opens (creating it if need be) for writing; a name holding a NUL byte is not opened.
    OutputFile(const std::string& fileName, Mode mode);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool isOpen() const { return buffer.fd >= 0; }
    // Writes what is buffered and closes the file. Answers the reason of the first
    // failed open, write or close (the system's error text), or "" when all went well.
    std::string finish();
};

}  // namespace support
