#include "support/TaskProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <streambuf>

#include "support/ConsoleKeys.h"

namespace support {

namespace {

constexpr const char* kEraseLine = "\r\033[K";

int terminalColumns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace

// Lets the scripts' text through to where it went before, taking the progress line away
// first and putting it back at the end of each line.
class ConsoleProgress::SharedOutput : public std::streambuf {
public:
    SharedOutput(ConsoleProgress& owner, std::streambuf* out) : owner_(owner), out_(out) {}
    std::streambuf* out() const { return out_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n <= 0) return 0;
        owner_.beforeOutput();
        const std::streamsize written = out_->sputn(s, n);
        owner_.afterOutput(s[n - 1]);
        return written;
    }
    int sync() override { return out_->pubsync(); }

private:
    ConsoleProgress& owner_;
    std::streambuf* out_;
};

ConsoleProgress::ConsoleProgress(std::ostream* terminal, int columns, bool sharedOutput)
    : terminal_(terminal), columns_(static_cast<std::size_t>(std::max(columns, 2))), sharedOutput_(sharedOutput) {}

ConsoleProgress::~ConsoleProgress() = default;

std::unique_ptr<ConsoleProgress> ConsoleProgress::atConsole() {
    if (isatty(STDERR_FILENO) != 1) return std::make_unique<ConsoleProgress>(nullptr, 80, false);
    return std::make_unique<ConsoleProgress>(&std::cerr, terminalColumns(STDERR_FILENO), isatty(STDOUT_FILENO) == 1);
}

void ConsoleProgress::begin() {
    ended_ = false;
    atLineStart_ = true;
    text_.clear();
    if (terminal_ == nullptr || !sharedOutput_ || shared_) return;
    shared_ = std::make_unique<SharedOutput>(*this, out().rdbuf());
    sharedStream_ = std::make_unique<std::ostream>(shared_.get());
    redirect_.emplace(*sharedStream_);
}

void ConsoleProgress::show(const std::string& state) {
    if (terminal_ == nullptr || ended_) return;
    text_ = state.substr(0, columns_ - 1);
    if (atLineStart_) draw();
}

void ConsoleProgress::end(const std::string& state) {
    if (terminal_ == nullptr || ended_) return;
    ended_ = true;
    text_ = state.substr(0, columns_ - 1);
    if (shared_) {
        redirect_.reset();
        sharedStream_.reset();
        shared_.reset();
        out().flush();
    }
    // A line of the scripts' text left open ends here, so the last state gets a line of its own.
    if (!atLineStart_) *terminal_ << '\n';
    *terminal_ << '\r' << text_ << "\033[K\n" << std::flush;
    drawn_ = false;
}

bool ConsoleProgress::keyWaiting() { return support::keyWaiting(); }

bool ConsoleProgress::stopRequested() {
    if (!support::keyWaiting()) return false;
    const int key = readKey();
    return key == 'q' || key == kInterruptKey;
}

void ConsoleProgress::draw() {
    if (shared_) shared_->out()->pubsync();
    *terminal_ << '\r' << text_ << "\033[K" << std::flush;
    drawn_ = true;
}

void ConsoleProgress::beforeOutput() {
    if (!drawn_) return;
    *terminal_ << kEraseLine << std::flush;
    drawn_ = false;
}

void ConsoleProgress::afterOutput(char last) {
    atLineStart_ = last == '\n' || last == '\r';
    if (last == '\n' && !text_.empty()) draw();
}

}  // namespace support
