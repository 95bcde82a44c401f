// File output and script files, checked on the files themselves in a private
// temporary directory that is removed afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "interp/Variable.h"
#include "interp/VariableTable.h"
#include "linalg/Failure.h"
#include "qlang/Evaluate.h"
#include "tests/support/StreamCapture.h"

namespace {

// The report for a path that cannot be opened (built piecewise: GCC 12 misreads the
// one-expression form as an overlapping copy).
std::string cannotOpen(const std::string& path) {
    std::string text = "Cannot open file '";
    text += path;
    text += "'\n";
    return text;
}

using tala::interp::Variable;
using tala::interp::VariableTable;


class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morrow-io-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary directory");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class IoWords : public ::testing::Test {
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
    TempDir dir;
};

TEST_F(IoWords, NewFileEmptiesAndEachPrintFileAppendsOneLine) {
    const std::string out = dir.file("out.txt");
    std::ofstream(out) << "old content\n";

    EXPECT_EQ(run("new_file " + out), "");
    EXPECT_EQ(contents(out), "");
    run("print_file " + out + " 1 2.5");
    run("print_file " + out + " 1 2.5");
    EXPECT_EQ(contents(out), "1,2.5,\n1,2.5,\n");
}

TEST_F(IoWords, PrintFileWritesValuesBareAndMatricesWhole) {
    const std::string out = dir.file("values.txt");
    run("print_file " + out + " abc (complex 1 -2) (matrix 12 12 ident)");

    std::string matrix = "\n";
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 12; ++c) {
            matrix += r == c ? "1" : "0";
            matrix += " + 0i\t";
        }
        matrix += "\n";
    }
    matrix += "\n";
    EXPECT_EQ(contents(out), "abc,1 + -2i," + matrix + ",\n");
}

TEST_F(IoWords, FailingValueLeavesEarlierValuesWithoutLineEnd) {
    const std::string out = dir.file("partial.txt");
    EXPECT_THROW(run("print_file " + out + " 1 (integer 2.5) 3"), tala::Failure);
    EXPECT_EQ(contents(out), "1,");
}

TEST_F(IoWords, UnopenableFileEvaluatesNoValue) {
    const std::string out = dir.file("missing/out.txt");
    EXPECT_EQ(run("print_file " + out + " (global (new integer touched))"), cannotOpen(out));
    EXPECT_TRUE(table.variables.empty());
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(IoWords, ScriptResultBecomesTheCommandsResult) {
    const std::string script = dir.file("script.txt");
    std::ofstream(script) << "begin\n(new integer a)\n(set a 6)\n(get a)\n(integer 7)\n";
    EXPECT_EQ(run("file " + script), "");
    EXPECT_EQ(result.getInteger(), 7);
}

TEST_F(IoWords, DevicesAndDirectoriesAreNotRead) {
    // Reading /dev/zero as a script would never end.
    EXPECT_EQ(run("file /dev/zero"), "Cannot open file '/dev/zero'\n");
    const std::string sub = dir.file("sub");
    std::filesystem::create_directory(sub);
    EXPECT_EQ(run("file " + sub), cannotOpen(sub));
    EXPECT_FALSE(result.hasValue());
}

TEST_F(IoWords, BinaryScriptIsEvaluatedHarmlessly) {
    const std::string script = dir.file("binary.bin");
    std::mt19937 bytes(12345);
    for (int round = 0; round < 20; ++round) {
        std::string data(2048, '\0');
        for (char& c : data) c = static_cast<char>(bytes() & 0xff);
        std::ofstream(script, std::ios::binary) << data;
        try {
            run("file " + script);
        } catch (const tala::Failure&) {
            // A failure with its message is a harmless outcome too.
        }
    }
    run("integer 5");
    EXPECT_EQ(result.getInteger(), 5);
}

}  // namespace
