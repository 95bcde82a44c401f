// The object-level interpreter with the decision library plugged in, fed line by
// line as tala feeds it, in a folder holding the flock's setup scripts and sensors.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "decision/VEXCommands.h"
#include "interp/InterpreterHost.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess({"vex_flock_setup.txt", "flock_decision_maker.txt", "flock_sensors.bin",
                        "flock_decisions.txt", "QDM_Scripts"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!fuzz::mayRun(input)) return -1;
    fuzz::startInput();
    {
        std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
        libraries.push_back(std::make_unique<vex::VEXCommands>());
        tala::interp::InterpreterHost host(std::move(libraries));
        fuzz::runLines(input, [&](const std::string& line) { host.runCommand(line); });
    }
    fuzz::restoreFolder(input);
    return 0;
}
