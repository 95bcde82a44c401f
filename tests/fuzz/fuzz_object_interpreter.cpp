// The object-level interpreter with the decision library plugged in, fed line by line as tala feeds it, in a folder
// holding the flock's setup scripts and sensors.
#include <memory>
#include <vector>
#include "decision/VEXCommands.h"
#include "interp/InterpreterHost.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess({"vex_flock_setup.txt", "flock_decision_maker.txt", "flock_sensors.bin", "flock_decisions.txt",
                        "QDM_Scripts"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::runScript(data, size, [](const fuzz::EachLine& eachLine) {
        std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
        libraries.push_back(std::make_unique<vex::VEXCommands>());
        tala::interp::InterpreterHost host(std::move(libraries));
        eachLine([&](const std::string& line) { host.runCommand(line); });
    });
}
