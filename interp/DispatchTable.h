#pragma once
// Word tables, shared by every group of script words in both languages and the command
// libraries. Each group's source file ends with a constant array of rows (the word, its
// handler, an argument synopsis, a one-line summary and an example) and one function
// answering that group; each language lists its groups, in order, in one place. The rows
// are the only place a word is defined: dispatch, help, completion and the reference
// pages all read them.

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/Failure.h"

namespace tala::interp {

// One word as help shows it.
struct WordDoc {
    std::string_view word;
    std::string_view synopsis;  // the arguments, for example "NAME VALUE"; empty when none
    std::string_view summary;   // one line on what the word does
    std::string_view example;   // one line of script using it; empty where none makes sense
};

// One group of words, in table order.
struct GroupDoc {
    std::string_view name;
    std::vector<WordDoc> words;
};

template <typename Handler>
struct DispatchEntry {
    std::string_view word;
    Handler handler;
    std::string_view synopsis;
    std::string_view summary;
    std::string_view example;
};

template <typename Handler>
struct WordGroup {
    std::string_view name;
    std::span<const DispatchEntry<Handler>> entries;
};

template <typename Handler>
class DispatchTable {
public:
    // Every group of the language, in order. Words and texts are string literals of the
    // groups' tables, so views stay valid. A word claimed twice raises a failure naming
    // both groups: a table that would silently lose one of them never starts.
    explicit DispatchTable(std::span<const WordGroup<Handler>> groups) {
        std::unordered_map<std::string_view, std::string_view> claimedBy;
        for (const WordGroup<Handler>& group : groups) {
            GroupDoc& doc = groups_.emplace_back(GroupDoc{group.name, {}});
            for (const DispatchEntry<Handler>& entry : group.entries) {
                if (auto [it, fresh] = claimedBy.emplace(entry.word, group.name); !fresh)
                    throw Failure("Word '" + std::string(entry.word) + "' claimed by both '" +
                                  std::string(it->second) + "' and '" + std::string(group.name) + "'");
                handlers_.emplace(entry.word, entry.handler);
                doc.words.push_back(WordDoc{entry.word, entry.synopsis, entry.summary, entry.example});
            }
        }
    }

    // The handler of `word`, or null.
    Handler find(std::string_view word) const {
        auto it = handlers_.find(word);
        return it == handlers_.end() ? nullptr : it->second;
    }

    // The groups and their words, in table order.
    const std::vector<GroupDoc>& groups() const { return groups_; }

private:
    std::unordered_map<std::string_view, Handler> handlers_;
    std::vector<GroupDoc> groups_;
};

}  // namespace tala::interp
