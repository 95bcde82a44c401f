// The typed language on a fresh table, fed line by line as the shell feeds it.
#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::runScript(data, size, [](const fuzz::EachLine& eachLine) {
        tala::interp::VariableTable table;
        tala::interp::Variable result;
        eachLine([&](const std::string& line) {
            result.release();
            qlang::evaluate(table, line, table.variables, result, false, true);
        });
    });
}
