// Help read from the word tables: the overview's layout, one word, a prefix, the nearest
// words to one the tables do not know, and the Markdown reference.

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

// Long groups wrap under their first word and every line stays within the width.
TEST(WordHelp, OverviewListsTheGroupsInTableOrderWithAlignedWordsWrappedWithinTheWidth) {
    EXPECT_EQ(helpText(kGroups, ""),
              "!help WORD shows a word, !help PREFIX* the words starting with PREFIX.\n"
              "numbers  add addmod neg\n"
              "library  lib::qdm::decide lib::Mark\n");
    const std::vector<std::string> lines = linesOf(helpText(wordGroups(), ""));
    bool wrapped = false;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), kHelpWidth) << line;
        wrapped = wrapped || line.starts_with("              ");
    }
    EXPECT_TRUE(wrapped);
    EXPECT_LE(lines.size(), 20u);
}

TEST(WordHelp, OneWordShowsSynopsisGroupWrappedSummaryAndExample) {
    EXPECT_EQ(helpText(kGroups, "addmod"),
              "addmod A B M   (numbers)\n"
              "  The sum of A and B modulo M, for integers that may be large or small.\n"
              "  Example: addmod 1 2 3\n");
    EXPECT_EQ(helpText(kGroups, "neg"), "neg X   (numbers)\n  Minus X.\n");
    const std::vector<std::string> lines = linesOf(helpText(wordGroups(), "while"));
    ASSERT_GE(lines.size(), 4u);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_LE(lines[i].size(), kHelpWidth) << lines[i];
}

TEST(WordHelp, PrefixListsEachMatchingWordWithItsSummary) {
    EXPECT_EQ(helpText(kGroups, "add*"),
              "add A B\n  The sum of A and B.\n"
              "addmod A B M\n  The sum of A and B modulo M, for integers that may be large or small.\n");
    EXPECT_EQ(helpText(kGroups, "*"), helpText(kGroups, "add*") + "neg X\n  Minus X.\n" +
                                          "lib::qdm::decide QDM SPACE\n  Measures the space.\n" +
                                          "lib::Mark\n  A *marked* value_type <x> | [y] `z`.\n");
    EXPECT_EQ(helpText(kGroups, "x*"), "No word starts with 'x'. Nearest: add, neg, lib::Mark, addmod.\n");
}

TEST(WordHelp, AnUnknownWordIsNamedWithTheNearestWords) {
    EXPECT_EQ(helpText(kGroups, "Ad"), "No word 'Ad' in the tables. Nearest: add, addmod, neg, lib::Mark.\n");
    EXPECT_EQ(helpText(kGroups, "decide"),
              "No word 'decide' in the tables. Nearest: lib::qdm::decide, add, addmod, neg.\n");
    EXPECT_EQ(helpText({}, "x"), "No word 'x' in the tables.\n");
    // What was typed comes back harmless: control characters replaced, a long text cut.
    EXPECT_EQ(linesOf(helpText(kGroups, "a\x1b[2Jb\x7f"))[0].substr(0, 23), "No word 'a?[2Jb?' in th");
    const std::string longText(5000, 'q');
    EXPECT_EQ(linesOf(helpText(kGroups, longText))[0].substr(0, 56), "No word '" + std::string(40, 'q') + "...' in");
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
