#pragma once
// Redirects std::cout (and optionally std::cin) for the lifetime of the object, so a
// test can read what the interpreter printed and feed what it reads.

#include <iostream>
#include <sstream>
#include <string>

class OutputCapture {
public:
    OutputCapture() : saved_(std::cout.rdbuf(out_.rdbuf())) {}
    ~OutputCapture() { std::cout.rdbuf(saved_); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Everything printed so far; the capture starts afresh.
    std::string take() {
        std::string text = out_.str();
        out_.str("");
        return text;
    }

private:
    std::ostringstream out_;
    std::streambuf* saved_;
};

class InputFeed {
public:
    explicit InputFeed(const std::string& text) : in_(text), saved_(std::cin.rdbuf(in_.rdbuf())) {}
    ~InputFeed() {
        std::cin.rdbuf(saved_);
        std::cin.clear();
    }
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
