// Typed-language words where the golden scripts cannot reach: the word table and its examples, extension
// handlers, files checked on the files themselves, one particular random draw, and the count of mistake lines.
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>
#include "interp/VariableTable.h"
#include "linalg/Matrix.h"
#include "linalg/MemoryBudget.h"
#include "qlang/Evaluate.h"
#include "qlang/WordTable.h"
#include "support/OutputFile.h"
#include "support/Reporting.h"
#include "testsupport/StreamCapture.h"
#include "tests/support/TempFolder.h"
using namespace tala::interp;
namespace {
// A fresh table, and commands run on it as the shell runs them, in a folder of the test's own.
class TypedWords : public TempFolder {
protected:
    Variable& run(const std::string& text, bool global = false) {
        result.release();
        qlang::evaluate(table, text, table.variables, result, global, true);
        return result;
    }
    std::string printed(const std::string& text) {
        OutputCapture capture;
        run(text);
        return capture.text();
    }
    VariableTable table;
    Variable result;
};
using Evaluate = TypedWords; using IoWords = TypedWords; using MatrixWords = TypedWords;
using Problems = TypedWords; using WordTableExamples = TypedWords;
// Runs a command on a fresh table; what it printed, and its failure. The random words draw from a generator
// seeded alike for each example.
std::string runAlone(const std::string& text) {
    VariableTable table;
    Variable result;
    OutputCapture out;
    std::srand(1);
    const std::string failure = failureOf([&] { qlang::evaluate(table, text, table.variables, result, false, true); });
    return out.take() + (failure == "(no failure)" ? "" : "Failure: " + failure + "\n");
}
// An extension word that records how it was called: its argument, the size of its scope and its flags.
struct RecordingHandler : CommandHandler {
    explicit RecordingHandler(std::string word) : word(std::move(word)) {}
    void execute(const CommandTokenizer& tokens, VariableList& localScope, Variable& result, bool global, bool fresh,
                 VariableTable&) override {
        calls.push_back(tokens.token(1) + "; " + std::to_string(localScope.size()) + (global ? " global" : "") +
                        (fresh ? " fresh" : ""));
        result.setInteger(99);
    }
    void help() override { std::cout << "help of " << word << "\n"; }
    std::string name() override { return word; }
    std::string word;
    std::vector<std::string> calls;
};
}  // namespace

// Every group listed in one place and every word described with an example naming it. Each example runs on its
// own on a fresh table and prints what word_examples.out shows. user.input would wait for the console; file names
// a script of the shipped data.
TEST_F(WordTableExamples, EveryTypedLanguageWordIsDescribedWithAnExampleThatPrintsWhatItShould) {
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    std::string names, printed;
    for (const GroupDoc& group : qlang::wordGroups()) {
        names += std::string(group.name) + ";";
        for (const WordDoc& word : group.words) {
            EXPECT_FALSE(word.summary.empty()) << word.word;
            EXPECT_NE(std::string(word.example).find(word.word), std::string::npos) << word.word;
            EXPECT_NE(qlang::WordTable::builtins().find(word.word), nullptr) << word.word;
            if (word.word == "user.input" || word.word == "file") continue;
            printed += "> " + std::string(word.example) + "\n" + runAlone(std::string(word.example));
        }
    }
    std::filesystem::current_path(saved);
    EXPECT_EQ(names, "control;variables;matrices;operators;measurement;input/output;scalars;random;comparison;");
    // A new transcript goes to the test's temporary folder, to compare or to take.
    const std::filesystem::path expected = std::filesystem::path(__FILE__).parent_path() / "word_examples.out";
    if (printed != fileText(expected)) std::ofstream(::testing::TempDir() + "typed_word_examples.out") << printed;
    EXPECT_EQ(printed, fileText(expected)) << "see " << ::testing::TempDir() << "typed_word_examples.out";
}

// Words the language does not know go to the first handler of that name, with its help (the argument, the local
// copy of the caller's scope and both flags passed on); the language's own words cannot be taken over.
TEST_F(Evaluate, UnknownWordsGoToTheFirstHandlerOfThatNameAndBuiltinsStay) {
    run("global (new integer x)");
    RecordingHandler *first = new RecordingHandler("ext"), *second = new RecordingHandler("ext"),
                     *get = new RecordingHandler("get");
    for (RecordingHandler* handler : {first, second, get}) table.handlers.emplace_back(handler);
    EXPECT_EQ(run("ext (a b)", true).getInteger(), 99);
    EXPECT_EQ(first->calls, std::vector<std::string>{"a b; 1 global fresh"});
    EXPECT_TRUE(second->calls.empty());
    EXPECT_FALSE(run("get y").hasValue());
    EXPECT_TRUE(get->calls.empty());
    EXPECT_EQ(printed("help ext") + printed("help other"), "help of ext\n");
}

// new_file empties; each print_file appends one line of values, bare, a matrix whole; a value that fails leaves
// the earlier ones without a line end.
TEST_F(IoWords, NewFileEmptiesAndPrintFileAppendsOneLineOfValues) {
    const std::string out = path("out.txt"), partial = path("partial.txt");
    std::ofstream(out) << "old content\n";
    EXPECT_EQ(printed("new_file " + out), "");
    EXPECT_EQ(fileText(out), "");
    for (int i = 0; i < 2; ++i) run("print_file " + out + " 1 2.5");
    EXPECT_EQ(fileText(out), "1,2.5,\n1,2.5,\n");
    run("new_file " + out);
    run("print_file " + out + " abc (complex 1 -2) (matrix 12 12 ident)");
    std::string matrix = "\n";
    for (int r = 0; r < 12; ++r, matrix += "\n")
        for (int c = 0; c < 12; ++c) matrix += r == c ? "1 + 0i\t" : "0 + 0i\t";
    EXPECT_EQ(fileText(out), "abc,1 + -2i," + matrix + "\n,\n");
    EXPECT_EQ(failureOf([&] { run("print_file " + partial + " 1 (integer 2.5) 3"); }),
              "getString error - type is NULL or not string");
    EXPECT_EQ(fileText(partial), "1,");
}

// The line on standard output is the language's; the system's reason follows on standard error (the golden
// scripts show the other reasons), and the failure is counted. A pipe is refused at once, not waited on, and a
// script larger than the free budget is refused before it is read.
TEST_F(IoWords, FailedOpensNameTheirReasonOnStandardError) {
    const std::string pipe = path("pipe"), big = path("big.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const unsigned failures = support::fileFailureCount();
    OutputCapture err(std::cerr);
    EXPECT_EQ(printed("file " + pipe), "Cannot open file '" + pipe + "'\n");
    EXPECT_EQ(err.text(), "Cannot open file '" + pipe + "': not a regular file\n");
    EXPECT_EQ(support::fileFailureCount(), failures + 1);
    std::ofstream(big).close();
    std::filesystem::resize_file(big, 64 << 20);  // NUL bytes, sparse
    const std::int64_t saved = linalg::memoryBudget();
    linalg::setMemoryBudget(linalg::memoryInUse() + (16 << 20));
    EXPECT_EQ(failureOf([&] { run("file " + big); }),
              "Not enough memory for the script file '" + big +
                  "': it needs 64 MB, but only 16 MB of the memory budget are free");
    linalg::setMemoryBudget(saved);
}

// The golden scripts draw from the generator's own start; here the one draw that would choose outcome 0 of
// probability 0 and divide by its square root.
TEST_F(MatrixWords, QubitMeasurementNeverPicksAnImpossibleOutcome) {
    unsigned seed = 1;
    for (std::srand(seed); std::rand() % 10000 != 0; std::srand(++seed)) {}
    run("global (new integer out)");
    std::srand(seed);
    const linalg::Matrix m = run("measure_qbit (matrix 2 1 (complex 0 0) (complex 0 1)) 0 out").getMatrix();
    EXPECT_EQ(run("get out").getInteger(), 1);
    EXPECT_EQ(m(0, 0), (linalg::Complex{0.0, 0.0}));
    EXPECT_EQ(m(1, 0), (linalg::Complex{0.0, 1.0}));
    // The same draw with outcome 0 possible still takes it.
    std::srand(seed);
    run("measure_qbit (matrix 2 1 (complex 0.6 0) (complex 0.8 0)) 0 out");
    EXPECT_EQ(run("get out").getInteger(), 0);
}

// Every line a word prints about a mistake and goes on after counts as one problem; ordinary output as none.
TEST_F(Problems, EachMistakeLineCountsOnce) {
    OutputCapture out;
    const std::pair<const char*, unsigned> cases[] = {{"print 1", 0}, {"frobnicate 1", 1}, {"while 1.5 (print 1)", 1},
        {"new space Q 0", 1}, {"comp.lt 1 1.5", 1}, {"new integer temp", 1}};
    for (const auto& [command, problems] : cases) {
        const unsigned before = support::problemCount();
        run(command);
        EXPECT_EQ(support::problemCount() - before, problems) << command << ": " << out.take();
    }
}
