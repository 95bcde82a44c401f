#pragma once
// The one failure type of the whole system: it carries only its message text.
// Catchers print what() exactly; some texts end with a line end of their own.

#include <stdexcept>
#include <string>

namespace support {

class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace support
