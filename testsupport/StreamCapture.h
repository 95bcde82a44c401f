#pragma once
// Helpers shared by the unit tests and benchmarks: redirect std::cout and std::cin for the lifetime of
// an object, split a text into lines, and read the text of the failure an action raises.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>
#include "support/Failure.h"
// Collects what std::cout (or the given stream) receives while it lives.
class OutputCapture {
public:
    explicit OutputCapture(std::ostream& stream = std::cout) : stream_(stream), saved_(stream.rdbuf(out_.rdbuf())) {}
    ~OutputCapture() { stream_.rdbuf(saved_); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;
    std::string text() const { return out_.str(); }
    // The captured stream itself, for code that writes to a stream it is given.
    std::ostream& stream() { return out_; }
    // Everything printed so far; the capture starts afresh.
    std::string take() {
        const std::string printed = out_.str();
        out_.str("");
        return printed;
    }
private:
    std::ostringstream out_;
    std::ostream& stream_;
    std::streambuf* saved_;
};
// Feeds std::cin from a text while it lives.
class InputFeed {
public:
    explicit InputFeed(const std::string& text) : in_(text), saved_(std::cin.rdbuf(in_.rdbuf())) {}
    ~InputFeed() { std::cin.rdbuf(saved_), std::cin.clear(); }
    InputFeed(const InputFeed&) = delete;
    InputFeed& operator=(const InputFeed&) = delete;
    // What is left unread.
    std::string rest() {
        std::string text;
        std::getline(in_, text, '\0');
        return text;
    }
private:
    std::istringstream in_;
    std::streambuf* saved_;
};
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
// The text of the failure the action raises, or "(no failure)".
inline std::string failureOf(auto&& action) {
    try { action(); } catch (const support::Failure& failure) { return failure.what(); }
    return "(no failure)";
}
