#include "decision/TrainingProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include "support/ScriptOutput.h"

namespace vex {

namespace {

constexpr double kUpdateInterval = 0.1;  // seconds: at most 10 updates a second
constexpr const char* kEraseLine = "\r\033[K";

std::string formatted(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string elapsedText(double seconds) {
    if (seconds < 60.0) return formatted("%.1f s", seconds);
    const double whole = std::floor(seconds);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f min %02.0f s", std::floor(whole / 60.0), std::fmod(whole, 60.0));
    return buffer;
}

std::string leftText(double seconds) {
    if (seconds < 1.0) return "under a second left";
    if (seconds < 60.0) return formatted("about %.0f s left", seconds);
    return formatted("about %.0f min left", seconds / 60.0);
}

int terminalColumns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string progressText(const ProgressFigures& figures) {
    std::string text = "generation " + std::to_string(figures.generation) + "/" + std::to_string(figures.generations);
    if (figures.latest != nullptr) {
        text += "  best ";
        text += formatted("%.2f", figures.latest->best);
        text += " of ";
        text += formatted("%.0f", kFitnessCeiling);
        if (!figures.latest->bestRules.empty()) {
            text += "  (rules";
            for (double rule : figures.latest->bestRules) {
                text += ' ';
                text += formatted("%.2f", rule);
            }
            text += ')';
        }
    }
    text += "  ";
    text += elapsedText(figures.elapsed);
    if (!figures.over && figures.finished > 0 && figures.finished < figures.generations) {
        text += ", ";
        text += leftText(figures.elapsed / figures.finished * (figures.generations - figures.finished));
    }
    return text;
}

// Lets standard output through to its own buffer, taking the progress line away first
// and putting it back at the end of each line.
class TrainingProgress::SharedOutput : public std::streambuf {
public:
    SharedOutput(TrainingProgress& owner, std::streambuf* out) : owner_(owner), out_(out) {}
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
    TrainingProgress& owner_;
    std::streambuf* out_;
};

TrainingProgress::TrainingProgress(int generations, std::ostream& terminal, int columns, bool sharedOutput,
                                   Clock clock)
    : terminal_(terminal),
      columns_(static_cast<std::size_t>(std::max(columns, 2))),
      clock_(std::move(clock)),
      start_(clock_()) {
    figures_.generations = generations;
    if (sharedOutput) {
        shared_ = std::make_unique<SharedOutput>(*this, std::cout.rdbuf());
        std::cout.rdbuf(shared_.get());
    }
}

TrainingProgress::~TrainingProgress() { close(); }

std::unique_ptr<TrainingProgress> TrainingProgress::atConsole(int generations) {
    if (isatty(STDERR_FILENO) != 1) return nullptr;
    return std::make_unique<TrainingProgress>(generations, std::cerr, terminalColumns(STDERR_FILENO),
                                              isatty(STDOUT_FILENO) == 1, steadySeconds);
}

void TrainingProgress::startGeneration(int index) {
    figures_.generation = index + 1;
    update(!updatedOnce_);
}

void TrainingProgress::finishGeneration(const GenerationFitness& fitness) {
    latest_ = fitness;
    figures_.latest = &latest_;
    figures_.finished = figures_.generation;
    update(false);
}

void TrainingProgress::tick() { update(false); }

void TrainingProgress::close() {
    if (closed_) return;
    closed_ = true;
    figures_.generation = figures_.finished;
    figures_.over = true;
    figures_.elapsed = clock_() - start_;
    text_ = progressText(figures_).substr(0, columns_ - 1);
    if (shared_) {
        std::cout.rdbuf(shared_->out());
        tala::out().flush();
    }
    // A line of standard output left open ends here, so the last state gets a line of its own.
    if (!atLineStart_) terminal_ << '\n';
    terminal_ << '\r' << text_ << "\033[K\n" << std::flush;
    drawn_ = false;
}

void TrainingProgress::update(bool force) {
    if (closed_) return;
    const double now = clock_();
    if (!force && updatedOnce_ && now - lastUpdate_ < kUpdateInterval) return;
    updatedOnce_ = true;
    lastUpdate_ = now;
    figures_.elapsed = now - start_;
    text_ = progressText(figures_).substr(0, columns_ - 1);
    if (atLineStart_) draw();
}

void TrainingProgress::draw() {
    if (shared_) shared_->out()->pubsync();
    terminal_ << '\r' << text_ << "\033[K" << std::flush;
    drawn_ = true;
}

void TrainingProgress::erase() {
    terminal_ << kEraseLine << std::flush;
    drawn_ = false;
}

void TrainingProgress::beforeOutput() {
    if (drawn_) erase();
}

void TrainingProgress::afterOutput(char last) {
    atLineStart_ = last == '\n' || last == '\r';
    if (last == '\n' && !text_.empty()) draw();
}

}  // namespace vex
