#pragma once
// What the minds print during a flight, each distinct line once: a message every agent
// repeats every frame, or a progress line ending in a carriage return, shows once.
// Lines go on to `target` as they end, or are kept for take() when there is none.

#include <cstddef>
#include <set>
#include <streambuf>
#include <string>

namespace flock {

class DistinctLines : public std::streambuf {
public:
    explicit DistinctLines(std::streambuf* target = nullptr) : target_(target) {}
    ~DistinctLines() override { endLine(); }
    DistinctLines(const DistinctLines&) = delete;
    DistinctLines& operator=(const DistinctLines&) = delete;

    // The kept lines, each ending in a newline.
    std::string take() {
        endLine();
        return std::move(kept_);
    }

private:
    static constexpr std::size_t kMaxLines = 1000;  // remembered; later new lines are dropped

    int overflow(int c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        if (c == '\n' || c == '\r') endLine();
        else line_ += static_cast<char>(c);
        return c;
    }

    void endLine() {
        while (!line_.empty() && line_.back() == ' ') line_.pop_back();
        if (!line_.empty() && seen_.size() < kMaxLines && seen_.insert(line_).second) {
            line_ += '\n';
            if (target_ != nullptr) target_->sputn(line_.data(), static_cast<std::streamsize>(line_.size()));
            else kept_ += line_;
        }
        line_.clear();
    }

    std::streambuf* target_;
    std::string line_;
    std::string kept_;
    std::set<std::string> seen_;
};

}  // namespace flock
