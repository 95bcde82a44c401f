#pragma once
// A mind that records the commands it is sent, answers decisions from a queue and
// raises a failure for commands that start with a chosen text.
#include <deque>
#include <memory>
#include <string>
#include <vector>
#include "app/sim/AgentMind.h"
#include "support/Failure.h"

namespace flock::testing {

struct MindRecord {
    std::vector<std::string> commands;
    std::deque<std::string> decisions;  // answered in turn; empty: no value at all
    std::string failOn;                 // commands starting with this raise failure
    bool destroyed = false;
};

class RecordingMind : public AgentMind {
public:
    explicit RecordingMind(std::shared_ptr<MindRecord> record) : record_(std::move(record)) {}
    ~RecordingMind() override { record_->destroyed = true; }
    void runCommand(std::string_view text) override { record(std::string(text)); }
    void runCommand(std::string_view text, tala::interp::Object& result) override {
        record(std::string(text));
        if (record_->decisions.empty()) return;
        result.setString(record_->decisions.front());
        record_->decisions.pop_front();
    }

private:
    void record(const std::string& t) {
        record_->commands.push_back(t);
        if (!record_->failOn.empty() && t.rfind(record_->failOn, 0) == 0) throw support::Failure("Error 1 in operator=\n");
    }
    std::shared_ptr<MindRecord> record_;
};

}  // namespace flock::testing
