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

// How many arguments a word takes. A row whose arity is left at kFromSynopsis takes what
// its synopsis says: a NAME is one argument, [NAME] or [A B] optional ones, NAME... and a
// lone ... any number more, and A | B C either form.
struct Arity {
    int least = -1;
    int most = -1;  // kUnbounded for no upper limit
};
inline constexpr int kUnbounded = 1 << 30;
inline constexpr Arity kFromSynopsis{};
inline constexpr Arity kAnyArguments{0, kUnbounded};

constexpr Arity arityOf(std::string_view synopsis) {
    Arity whole{kUnbounded, 0};
    Arity form{0, 0};
    bool optional = false;
    const auto endForm = [&] {
        whole.least = form.least < whole.least ? form.least : whole.least;
        whole.most = form.most > whole.most ? form.most : whole.most;
        form = {0, 0};
    };
    std::size_t start = 0;
    while (start <= synopsis.size()) {
        std::size_t end = synopsis.find(' ', start);
        if (end == std::string_view::npos) end = synopsis.size();
        std::string_view name = synopsis.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        if (name == "|") {
            endForm();
            continue;
        }
        const bool opens = name.front() == '[';
        const bool closes = name.back() == ']' || name.ends_with("]...");
        const bool repeated = name.ends_with("...");
        if (opens) optional = true;
        if (repeated) form.most = kUnbounded;
        else if (form.most != kUnbounded) ++form.most;
        if (!optional && !repeated) ++form.least;
        if (closes) optional = false;
    }
    endForm();
    return whole;
}

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
    Arity arity = kFromSynopsis;
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
                    throw support::Failure("Word '" + std::string(entry.word) + "' claimed by both '" +
                                  std::string(it->second) + "' and '" + std::string(group.name) + "'");
                const Arity arity = entry.arity.least < 0 ? arityOf(entry.synopsis) : entry.arity;
                words_.emplace(entry.word, Word{entry.handler, arity, entry.synopsis});
                doc.words.push_back(WordDoc{entry.word, entry.synopsis, entry.summary, entry.example});
            }
        }
    }

    struct Word {
        Handler handler;
        Arity arity;
        std::string_view synopsis;
    };

    // The handler of `word`, or null.
    Handler find(std::string_view word) const {
        const Word* found = lookup(word);
        return found ? found->handler : nullptr;
    }
    // The handler and arity of `word`, or null.
    const Word* lookup(std::string_view word) const {
        auto it = words_.find(word);
        return it == words_.end() ? nullptr : &it->second;
    }

    // The groups and their words, in table order.
    const std::vector<GroupDoc>& groups() const { return groups_; }

private:
    std::unordered_map<std::string_view, Word> words_;
    std::vector<GroupDoc> groups_;
};

}  // namespace tala::interp
