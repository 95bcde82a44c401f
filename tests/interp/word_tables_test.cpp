// The word tables: a word claimed twice stops the table from being built, and the
// object language's table describes every word with an example that prints what it should.

#include "interp/DispatchTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "interp/Interpreter.h"
#include "interp/InterpreterWords.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

using namespace tala::interp;

namespace {

using Handler = int (*)();

int first() { return 1; }
int second() { return 2; }

constexpr DispatchEntry<Handler> kFirstGroup[] = {
    {"a", first, "X", "The first a.", "a 1"},
    {"b", first, "", "The b.", ""},
};
constexpr DispatchEntry<Handler> kSecondGroup[] = {
    {"c", second, "", "The c.", "c 0"},
    {"a", second, "Y", "The second a.", "a 2"},
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs a command in a fresh interpreter's globals; what it printed, and its failure.
std::string runAlone(const std::string& text) {
    Interpreter interpreter;
    Object result;
    OutputCapture out;
    const std::string failure =
        failureOf([&] { interpreter.execute(text, interpreter.globals(), result, {}, false, true); });
    return out.take() + (failure == "(no failure)" ? "" : "Failure: " + failure + "\n");
}

// For the comparison with the examples' transcript.
using ObjectLanguageWords = TempFolder;

}  // namespace

TEST(DispatchTable, AWordClaimedByTwoGroupsFailsNamingBoth) {
    const WordGroup<Handler> groups[] = {{"first", kFirstGroup}, {"second", kSecondGroup}};
    EXPECT_EQ(failureOf([&] { const DispatchTable<Handler> table(groups); }),
              "Word 'a' claimed by both 'first' and 'second'");
}

// Every group listed and every word described with an example naming it. Each example
// runs on its own in a fresh interpreter and prints what word_examples.out shows.
// user.input would wait for the console; file and load_module name files that the
// examples' readers have and the tests do not.
TEST_F(ObjectLanguageWords, EveryWordIsDescribedWithAnExampleThatPrintsWhatItShould) {
    std::string names, printed;
    for (const GroupDoc& group : wordGroups()) {
        names += std::string(group.name) + ";";
        for (const WordDoc& word : group.words) {
            EXPECT_FALSE(word.summary.empty()) << word.word;
            EXPECT_TRUE(contains(std::string(word.example), std::string(word.word))) << word.word;
            if (word.word == "user.input" || word.word == "file" || word.word == "load_module") continue;
            printed += "> " + std::string(word.example) + "\n" + runAlone(std::string(word.example));
        }
    }
    EXPECT_EQ(names, "control;values;variables;input/output;files;");
    // A new transcript goes to the test's temporary folder, to compare or to take.
    const std::filesystem::path expected = std::filesystem::path(__FILE__).parent_path() / "word_examples.out";
    if (printed != fileText(expected)) std::ofstream(::testing::TempDir() + "object_word_examples.out") << printed;
    EXPECT_EQ(printed, fileText(expected)) << "see " << ::testing::TempDir() << "object_word_examples.out";
}
