// The word tables: a word claimed twice stops the table from being built, the object language's table describes
// every word with an example that prints what it should, and help read from tables (nearest words, reference).
#include "interp/DispatchTable.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "interp/Interpreter.h"
#include "interp/InterpreterWords.h"
#include "interp/WordHelp.h"
#include "testsupport/StreamCapture.h"
#include "tests/support/TempFolder.h"
using namespace tala::interp;
namespace {
using Handler = int (*)();
using Words = std::vector<std::string>;
int first() { return 1; }
int second() { return 2; }
constexpr DispatchEntry<Handler> kFirstGroup[] = {{"a", first, "X", "The first a.", "a 1"},
                                                  {"b", first, "", "The b.", ""}};
constexpr DispatchEntry<Handler> kSecondGroup[] = {{"c", second, "", "The c.", "c 0"},
                                                   {"a", second, "Y", "The second a.", "a 2"}};
// Runs a command in a fresh interpreter's globals; what it printed, and its failure.
std::string runAlone(const std::string& text) {
    Interpreter interpreter;
    Object result;
    OutputCapture out;
    const std::string failure =
        failureOf([&] { interpreter.execute(text, interpreter.globals(), result, {}, false, true); });
    return out.take() + (failure == "(no failure)" ? "" : "Failure: " + failure + "\n");
}
const std::vector<GroupDoc> kGroups = {
    {"numbers", {{"add", "A B", "The sum of A and B.", "print (add 1 2)"},
                 {"addmod", "A B M", "The sum of A and B modulo M, for integers that may be large or small.",
                  "addmod 1 2 3"},
                 {"neg", "X", "Minus X.", ""}}},
    {"library", {{"lib::qdm::decide", "QDM SPACE", "Measures the space.", "lib::qdm::decide (get QDM) 0"},
                 {"lib::Mark", "", "A *marked* value_type <x> | [y] `z`.", "lib::Mark"}}}};
// For the comparison with the examples' transcript.
using ObjectLanguageWords = TempFolder;
}  // namespace

TEST(DispatchTable, AWordClaimedByTwoGroupsFailsNamingBoth) {
    const WordGroup<Handler> groups[] = {{"first", kFirstGroup}, {"second", kSecondGroup}};
    EXPECT_EQ(failureOf([&] { const DispatchTable<Handler> table(groups); }),
              "Word 'a' claimed by both 'first' and 'second'");
}

// Each example runs on its own in a fresh interpreter and prints what word_examples.out shows. user.input would
// wait for the console; file and load_module name files that the examples' readers have and the tests do not.
TEST_F(ObjectLanguageWords, EveryWordIsDescribedWithAnExampleThatPrintsWhatItShould) {
    std::string names, printed;
    for (const GroupDoc& group : wordGroups()) {
        names += std::string(group.name) + ";";
        for (const WordDoc& word : group.words) {
            EXPECT_FALSE(word.summary.empty()) << word.word;
            EXPECT_NE(std::string(word.example).find(word.word), std::string::npos) << word.word;
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

// The shipped tables' help texts are in the shell's golden help script; here the cases those tables lack.
TEST(WordHelp, AWordWithoutAnExampleAndEmptyTables) {
    EXPECT_EQ(helpText(kGroups, "neg"), "neg X   (numbers)\n  Minus X.\n");
    EXPECT_EQ(helpText({}, "x"), "No word 'x' in the tables.\n");
}

TEST(WordHelp, NearestWordsPreferPrefixesThenEditDistanceThenTableOrder) {
    EXPECT_EQ(nearestWords(kGroups, "ADDM", 2), (Words{"addmod", "add"}));
    EXPECT_EQ(nearestWords(kGroups, "nag", 1), Words{"neg"});
    EXPECT_EQ(nearestWords(kGroups, "mark", 1), Words{"lib::Mark"});
    EXPECT_EQ(nearestWords(kGroups, "", 3), (Words{"add", "neg", "lib::Mark"}));
    EXPECT_EQ(nearestWords(kGroups, "add", 99).size(), 5u);
}

TEST(WordHelp, ReferenceIsMarkdownWithTheTextsEscapedAndTheWordListKeepsTableOrder) {
    EXPECT_EQ(referenceText(kGroups),
              "### numbers\n\n- `add A B`: The sum of A and B. Example: `print (add 1 2)`\n"
              "- `addmod A B M`: The sum of A and B modulo M, for integers that may be large or small. "
              "Example: `addmod 1 2 3`\n- `neg X`: Minus X.\n\n### library\n\n"
              "- `lib::qdm::decide QDM SPACE`: Measures the space. Example: `lib::qdm::decide (get QDM) 0`\n"
              "- `lib::Mark`: A \\*marked\\* value\\_type \\<x\\> \\| \\[y\\] \\`z\\`. Example: `lib::Mark`\n");
    EXPECT_EQ(wordList(kGroups), (Words{"add", "addmod", "neg", "lib::qdm::decide", "lib::Mark"}));
}
