// The typed language's word table: every group listed in one place, every word
// described, and every example running on a fresh table.

#include "qlang/WordTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

using namespace tala::interp;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string runAlone(const std::string& text) {
    VariableTable table;
    Variable result;
    OutputCapture out;
    qlang::evaluate(table, text, table.variables, result, false, true);
    return out.take();
}

// The examples that write files write them in a folder of the test's own.
using WordTableExamples = TempFolder;

}  // namespace

// Every group listed in one place, every word described with an example naming it, and
// each example run on its own on a fresh table: no failure and no report. user.input
// would wait for the console; file names a script of the shipped data.
TEST_F(WordTableExamples, EveryTypedLanguageGroupIsListedAndEveryWordDescribedWithAnExampleThatRuns) {
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    std::string names;
    for (const GroupDoc& group : qlang::wordGroups()) names += std::string(group.name) + ";";
    EXPECT_EQ(names, "control;variables;matrices;operators;measurement;input/output;scalars;random;comparison;");
    for (const GroupDoc& group : qlang::wordGroups())
        for (const WordDoc& word : group.words) {
            EXPECT_FALSE(word.summary.empty()) << word.word;
            EXPECT_TRUE(contains(std::string(word.example), std::string(word.word))) << word.word;
            EXPECT_EQ(qlang::WordTable::builtins().find(word.word) == nullptr, false) << word.word;
            if (word.word == "user.input" || word.word == "file") continue;
            std::string printed;
            EXPECT_EQ(failureOf([&] { printed = runAlone(std::string(word.example)); }), "(no failure)") << word.word;
            EXPECT_FALSE(contains(printed, "Syntax error") || contains(printed, "Syntax Error"))
                << word.word << ": " << printed;
        }
    std::filesystem::current_path(saved);
}
