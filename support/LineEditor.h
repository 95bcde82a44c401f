#pragma once
// Line editing for the interactive programs at a terminal: editing keys, a history kept
// in the user's home folder, Tab completion of words, and Ctrl-C that discards the line
// being typed. Built on libedit.
//
// Editing happens only inside a TerminalSession, which a program opens when standard
// input and output are both terminals. Without one, a LineEditor prints its prompt and
// reads a plain line from standard input.

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/ConsoleKeys.h"

namespace support {

// An interactive session at a terminal. While one is open, shells (a nested one
// included) read their lines through line editors, and Ctrl-C stops a running command
// at its next key poll instead of ending the program.
class TerminalSession {
public:
    // True when standard input and standard output are both terminals.
    static bool possible();
    // True while a session is open in this process.
    static bool isOpen();

    TerminalSession();
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

private:
    InterruptCatcher interrupts_;
};

// Lines kept in a history file.
inline constexpr std::size_t kHistoryLines = 1000;

class LineEditor {
public:
    // `program` names the editor in ~/.editrc; the history lives in $HOME/<historyName>
    // (no history without HOME); Tab completes the word before the cursor from `words`.
    LineEditor(const std::string& program, const std::string& historyName, std::vector<std::string> words);
    ~LineEditor();
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    // Shows the prompt and reads one line, without its line end. Nothing when the user
    // leaves: Ctrl-D on an empty line, or the end of input. Ctrl-C discards the line
    // being typed and prompts again.
    std::optional<std::string> readLine(const std::string& prompt);

    // Adds a line to the history and saves the history file; blank lines and a repeat
    // of the last line are not kept.
    void remember(const std::string& line);

    // True when lines are edited; false outside a terminal session.
    bool editing() const { return editing_ != nullptr; }

    // libedit's state, defined beside the callbacks that reach it.
    struct Editing;

private:
    std::unique_ptr<Editing> editing_;  // null outside a terminal session
};

// What Tab does to a line: the text to insert at the cursor, and the words to list
// when the choice is still open.
struct Completion {
    std::string insert;
    std::vector<std::string> choices;
};
// Completes the word that ends the text before the cursor. A single match is completed
// with a blank after it; several are completed as far as they agree, and listed when
// that adds nothing.
Completion completeWord(std::string_view beforeCursor, const std::vector<std::string>& words);

// The words laid out in columns read downwards, each line at most `width` characters
// wide where the words allow, every line ending in a line end.
std::string formatColumns(const std::vector<std::string>& words, std::size_t width);

// The last `limit` lines of a history file worth recalling: blank lines, lines holding a
// NUL byte and lines that are not text in the current locale are skipped. A huge file
// is read from its tail only; a file that cannot be read gives no lines.
std::deque<std::string> loadHistory(const std::string& path, std::size_t limit);
// Writes the lines to the history file through a temporary; failures are ignored.
void saveHistory(const std::string& path, const std::deque<std::string>& lines);

}  // namespace support
