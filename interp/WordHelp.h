#pragma once
// Help on a language's words, read from its word tables: the shells' "!help" lines,
// Tab completion and the reference pages all come from the groups' rows.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "interp/DispatchTable.h"

namespace tala::interp {

// The width help is laid out for: a terminal's 80 columns.
inline constexpr std::size_t kHelpWidth = 80;

// Every word of the groups, in table order.
std::vector<std::string> wordList(const std::vector<GroupDoc>& groups);

// What "!help ARGUMENT" shows, every line ending in a line end:
//   no argument  the groups and their words, on one screen;
//   PREFIX*      each word starting with PREFIX with its synopsis and summary;
//   WORD         the word's synopsis, group, summary and example; for a word the tables
//                do not know, a line saying so and naming the nearest words.
std::string helpText(const std::vector<GroupDoc>& groups, std::string_view argument);

// Up to `count` words nearest to `typed`, nearest first: words that `typed` begins
// (after a "::" too), then by edit distance, ignoring case; ties in table order.
std::vector<std::string> nearestWords(const std::vector<GroupDoc>& groups, std::string_view typed,
                                      std::size_t count);

// The word reference in Markdown: a heading per group and one item per word with its
// synopsis, summary and example.
std::string referenceText(const std::vector<GroupDoc>& groups);

}  // namespace tala::interp
