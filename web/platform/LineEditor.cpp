// Line editing in the browser: the page's console edits the line, so there is never a
// terminal session, and a shell opened by a command reads plain lines (none: the
// page's standard input is empty).

#include <iostream>

#include "support/LineEditor.h"

namespace support {

struct LineEditor::Editing {};

bool TerminalSession::possible() { return false; }
bool TerminalSession::isOpen() { return false; }
TerminalSession::TerminalSession() = default;
TerminalSession::~TerminalSession() = default;

LineEditor::LineEditor(const std::string&, const std::string&, std::vector<std::string>) {}
LineEditor::~LineEditor() = default;

std::optional<std::string> LineEditor::readLine(const std::string& prompt) {
    std::cout << prompt << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line;
}

void LineEditor::remember(const std::string&) {}

}  // namespace support
