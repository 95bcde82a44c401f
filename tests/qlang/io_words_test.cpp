// File output and script files, checked on the files themselves in a folder of the
// test's own.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/OutputFile.h"
#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "support/Failure.h"
#include "linalg/MemoryBudget.h"
#include "qlang/Evaluate.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

namespace {

using tala::interp::Variable;
using tala::interp::VariableTable;

class IoWords : public TempFolder {
protected:

    // Runs one command as the shell does and returns what it printed.
    std::string run(const std::string& text) {
        OutputCapture capture;
        result.release();
        qlang::evaluate(table, text, table.variables, result, false, true);
        return capture.text();
    }

    VariableTable table;
    Variable result;
};

// new_file empties; each print_file appends one line of values, bare, a matrix whole;
// a value that fails leaves the earlier ones without a line end.
TEST_F(IoWords, NewFileEmptiesAndPrintFileAppendsOneLineOfValues) {
    const std::string out = path("out.txt");
    std::ofstream(out) << "old content\n";
    EXPECT_EQ(run("new_file " + out), "");
    EXPECT_EQ(fileText(out), "");
    run("print_file " + out + " 1 2.5");
    run("print_file " + out + " 1 2.5");
    EXPECT_EQ(fileText(out), "1,2.5,\n1,2.5,\n");

    run("new_file " + out);
    run("print_file " + out + " abc (complex 1 -2) (matrix 12 12 ident)");
    std::string matrix = "\n";
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 12; ++c) matrix += r == c ? "1 + 0i\t" : "0 + 0i\t";
        matrix += "\n";
    }
    EXPECT_EQ(fileText(out), "abc,1 + -2i," + matrix + "\n,\n");

    const std::string partial = path("partial.txt");
    EXPECT_EQ(failureOf([&] { run("print_file " + partial + " 1 (integer 2.5) 3"); }),
              "getString error - type is NULL or not string");
    EXPECT_EQ(fileText(partial), "1,");
}

// The specified line stays on standard output; the system's reason follows on standard
// error (the golden scripts show the other reasons), and the failure is counted. A pipe
// is refused at once, not waited on, and a script larger than the free budget is
// refused before it is read.
TEST_F(IoWords, FailedOpensNameTheirReasonOnStandardError) {
    const std::string pipe = path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const unsigned failures = tala::interp::fileFailureCount();
    OutputCapture err(std::cerr);
    EXPECT_EQ(run("file " + pipe), "Cannot open file '" + pipe + "'\n");
    EXPECT_EQ(err.text(), "Cannot open file '" + pipe + "': not a regular file\n");
    EXPECT_EQ(tala::interp::fileFailureCount(), failures + 1);

    const std::string big = path("big.txt");
    std::ofstream(big).close();
    std::filesystem::resize_file(big, 64 << 20);  // NUL bytes, sparse
    const std::int64_t saved = linalg::memoryBudget();
    linalg::setMemoryBudget(linalg::memoryInUse() + (16 << 20));
    EXPECT_EQ(failureOf([&] { run("file " + big); }),
              "Not enough memory for the script file '" + big + "': it needs 64 MB, but only 16 MB of the memory "
              "budget are free");
    linalg::setMemoryBudget(saved);
}

}  // namespace
