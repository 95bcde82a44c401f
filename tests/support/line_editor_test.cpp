#include "support/LineEditor.h"
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <vector>
#include "tests/support/TempFolder.h"
using namespace support;
namespace {
const std::vector<std::string> kWords = {"measure", "measure_distribution", "measure_qbit", "matrix",
                                         "vex::qdm::new", "vex::qdm::think", "vex::train"};
class HistoryFile : public TempFolder {
protected:
    std::string write(const std::string& bytes) const {
        std::ofstream(path("history"), std::ios::binary) << bytes;
        return path("history");
    }
};
}  // namespace

TEST(Completion, CompletesTheWordBeforeTheCursorAsFarAsTheWordsAgree) {
    EXPECT_EQ(completeWord("print (measure_d", kWords).insert, "istribution ");  // one match: the word and a blank
    EXPECT_EQ(completeWord("set x,mat", kWords).insert, "rix ");
    const Completion library = completeWord("vex::q", kWords), open = completeWord("x \"measure", kWords);
    EXPECT_EQ(library.insert, "dm::");  // several: their common part, without listing them
    EXPECT_TRUE(library.choices.empty());
    EXPECT_EQ(open.insert, "");  // nothing more in common: the choices are listed
    EXPECT_EQ(open.choices, (std::vector<std::string>{"measure", "measure_distribution", "measure_qbit"}));
    EXPECT_EQ(completeWord("zz", kWords).insert, "");  // no match; an empty word offers every word
    EXPECT_TRUE(completeWord("zz", kWords).choices.empty());
    EXPECT_EQ(completeWord("print ", kWords).choices.size(), kWords.size());
}

TEST(Completion, ChoicesAreListedInColumnsReadDownwards) {
    EXPECT_EQ(formatColumns({"a", "bb", "ccc", "d", "e"}, 12), "a    d\nbb   e\nccc\n");
    EXPECT_EQ(formatColumns({"abcdef", "g"}, 4), "abcdef\ng\n");  // a word wider than the line gets a line of its own
}

TEST_F(HistoryFile, KeepsTheLastLinesWorthRecalling) {
    std::string bytes;
    for (int i = 0; i < 5; ++i) bytes += "line " + std::to_string(i) + "\n";
    const std::string history = write(bytes + "   \n\nbell\a here\nnul" + std::string(1, '\0') + "byte\nlast\r\n");
    EXPECT_EQ(loadHistory(history, 3), (std::deque<std::string>{"line 3", "line 4", "last"}));
    saveHistory(history, {"one", "two"});
    EXPECT_EQ(loadHistory(history, 100), (std::deque<std::string>{"one", "two"}));
}

TEST_F(HistoryFile, AHugeFileIsReadFromItsTailAndUnusableFilesGiveNoLines) {
    const std::string bytes = "first\n" + std::string(5 << 20, 'x') + "\nrecent 0\nrecent 1\nrecent 2\n";
    EXPECT_EQ(loadHistory(write(bytes), 1'000'000), (std::deque<std::string>{"recent 0", "recent 1", "recent 2"}));
    EXPECT_TRUE(loadHistory(path("missing"), 10).empty());
    // A history that cannot be written is dropped without a word or a file.
    saveHistory(path("no/such/folder"), {"line"});
    EXPECT_EQ(listing(), "history;");
}
