// The typed language's word table: every group listed in one place, every word
// described, and every example printing what it should on a fresh table.

#include "qlang/WordTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

using namespace tala::interp;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs a command on a fresh table; what it printed, and its failure. The random words
// draw from a generator seeded alike for each example.
std::string runAlone(const std::string& text) {
    VariableTable table;
    Variable result;
    OutputCapture out;
    std::srand(1);
    const std::string failure =
        failureOf([&] { qlang::evaluate(table, text, table.variables, result, false, true); });
    return out.take() + (failure == "(no failure)" ? "" : "Failure: " + failure + "\n");
}

// The examples that write files write them in a folder of the test's own.
using WordTableExamples = TempFolder;

}  // namespace

// Every group listed in one place and every word described with an example naming it.
// Each example runs on its own on a fresh table and prints what word_examples.out shows.
// user.input would wait for the console; file names a script of the shipped data.
TEST_F(WordTableExamples, EveryTypedLanguageWordIsDescribedWithAnExampleThatPrintsWhatItShould) {
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    std::string names, printed;
    for (const GroupDoc& group : qlang::wordGroups()) {
        names += std::string(group.name) + ";";
        for (const WordDoc& word : group.words) {
            EXPECT_FALSE(word.summary.empty()) << word.word;
            EXPECT_TRUE(contains(std::string(word.example), std::string(word.word))) << word.word;
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
