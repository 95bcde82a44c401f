#pragma once
// Where the scripts' text goes: standard output, unless a caller sends it elsewhere for
// a while (a headless flight sends its decision makers' text to standard error, training
// shares the terminal with its progress line). Callers nest; one thread prints.

#include <ostream>

namespace support {

std::ostream& out();

// For its lifetime the scripts' text goes to `stream`; then to where it went before.
class OutputTo {
public:
    explicit OutputTo(std::ostream& stream);
    ~OutputTo();
    OutputTo(const OutputTo&) = delete;
    OutputTo& operator=(const OutputTo&) = delete;

private:
    std::ostream* saved_;
};

}  // namespace support
