// Help read from the word tables: the nearest words to one the tables do not know, and
// the Markdown reference.

#include "interp/WordHelp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interp/Interpreter.h"
#include "tests/support/StreamCapture.h"

using namespace tala::interp;

namespace {

const std::vector<GroupDoc> kGroups = {
    {"numbers",
     {{"add", "A B", "The sum of A and B.", "print (add 1 2)"},
      {"addmod", "A B M", "The sum of A and B modulo M, for integers that may be large or small.", "addmod 1 2 3"},
      {"neg", "X", "Minus X.", ""}}},
    {"library",
     {{"lib::qdm::decide", "QDM SPACE", "Measures the space.", "lib::qdm::decide (get QDM) 0"},
      {"lib::Mark", "", "A *marked* value_type <x> | [y] `z`.", "lib::Mark"}}},
};

}  // namespace

// The help texts of the shipped tables are in the shell's golden help script; here the
// cases those tables lack: a word without an example and no words at all.
TEST(WordHelp, AWordWithoutAnExampleAndEmptyTables) {
    EXPECT_EQ(helpText(kGroups, "neg"), "neg X   (numbers)\n  Minus X.\n");
    EXPECT_EQ(helpText({}, "x"), "No word 'x' in the tables.\n");
}

TEST(WordHelp, NearestWordsPreferPrefixesThenEditDistanceThenTableOrder) {
    EXPECT_EQ(nearestWords(kGroups, "ADDM", 2), (std::vector<std::string>{"addmod", "add"}));
    EXPECT_EQ(nearestWords(kGroups, "nag", 1), (std::vector<std::string>{"neg"}));
    EXPECT_EQ(nearestWords(kGroups, "mark", 1), (std::vector<std::string>{"lib::Mark"}));
    EXPECT_EQ(nearestWords(kGroups, "", 3), (std::vector<std::string>{"add", "neg", "lib::Mark"}));
    EXPECT_EQ(nearestWords(kGroups, "add", 99).size(), 5u);
}

TEST(WordHelp, ReferenceIsMarkdownWithTheTextsEscapedAndTheWordListKeepsTableOrder) {
    EXPECT_EQ(referenceText(kGroups),
              "### numbers\n\n"
              "- `add A B`: The sum of A and B. Example: `print (add 1 2)`\n"
              "- `addmod A B M`: The sum of A and B modulo M, for integers that may be large or small. "
              "Example: `addmod 1 2 3`\n"
              "- `neg X`: Minus X.\n"
              "\n### library\n\n"
              "- `lib::qdm::decide QDM SPACE`: Measures the space. Example: `lib::qdm::decide (get QDM) 0`\n"
              "- `lib::Mark`: A \\*marked\\* value\\_type \\<x\\> \\| \\[y\\] \\`z\\`. Example: `lib::Mark`\n");
    EXPECT_EQ(wordList(kGroups), (std::vector<std::string>{"add", "addmod", "neg", "lib::qdm::decide", "lib::Mark"}));
}
