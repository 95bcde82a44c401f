// The typed language on a fresh table, fed line by line as the shell feeds it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::setUpProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!fuzz::mayRun(input)) return -1;
    fuzz::startInput();
    {
        tala::interp::VariableTable table;
        tala::interp::Variable result;
        fuzz::runLines(input, [&](const std::string& line) {
            result.release();
            qlang::evaluate(table, line, table.variables, result, false, true);
        });
    }
    fuzz::restoreFolder(input);
    return 0;
}
