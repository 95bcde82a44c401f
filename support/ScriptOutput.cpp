#include "support/ScriptOutput.h"

#include <iostream>

namespace support {

namespace {
std::ostream* current = nullptr;  // null: standard output
}

std::ostream& out() { return current ? *current : std::cout; }

OutputTo::OutputTo(std::ostream& stream) : saved_(current) { current = &stream; }

OutputTo::~OutputTo() { current = saved_; }

}  // namespace support
