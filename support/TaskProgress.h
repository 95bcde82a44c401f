#pragma once
// What a long task (training) shows while it runs, and asks of the one who started it:
// a line of its state, and whether a key asks it to cut its current step short or stop.
// The caller supplies it; the task knows nothing of terminals.
//
// At the console the line is drawn on standard error in place (carriage return, erase to
// the end of the line) and only when standard error is a terminal, so that logs and piped
// output never see it. When the scripts' text shows on the same screen, the line is taken
// away before each piece of that text and put back under each finished line, so that it
// stays at the bottom of the screen.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "support/ScriptOutput.h"

namespace support {

class TaskProgress {
public:
    virtual ~TaskProgress() = default;
    // The task starts; then its state changes (at most a few times a second).
    virtual void begin() {}
    virtual void show(const std::string&) {}
    // The last state: the task is over; later calls show nothing.
    virtual void end(const std::string&) {}
    // A key press is waiting: the task cuts its current step short (the key stays).
    virtual bool keyWaiting() { return false; }
    // Takes a waiting key: true when it asks the task to stop (q or a caught Ctrl-C).
    virtual bool stopRequested() { return false; }
};

// Keys from the console keyboard; the line on `terminal`, if any, cut to `columns`.
// With `sharedOutput` the scripts' text is routed past the line from begin() to end().
class ConsoleProgress : public TaskProgress {
public:
    ConsoleProgress(std::ostream* terminal, int columns, bool sharedOutput);
    ~ConsoleProgress() override;
    // On standard error when it is a terminal, sharing the screen when standard output is one too.
    static std::unique_ptr<ConsoleProgress> atConsole();

    void begin() override;
    void show(const std::string& state) override;
    void end(const std::string& state) override;
    bool keyWaiting() override;
    bool stopRequested() override;

private:
    class SharedOutput;

    void draw();
    void beforeOutput();
    void afterOutput(char last);

    std::ostream* terminal_;
    std::size_t columns_;
    bool sharedOutput_;
    std::string text_;
    bool drawn_ = false;
    bool ended_ = false;
    // At the start of a line of the scripts' text, where the progress line may go.
    bool atLineStart_ = true;
    std::unique_ptr<SharedOutput> shared_;
    std::unique_ptr<std::ostream> sharedStream_;
    std::optional<OutputTo> redirect_;
};

}  // namespace support
