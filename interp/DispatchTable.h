#pragma once
// Word -> handler tables, shared by every group of script words: each group's source
// file ends with a constant array of entries and one function that adds it here.

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tala::interp {

template <typename Handler>
struct DispatchEntry {
    std::string_view word;
    Handler handler;
};

template <typename Handler>
class DispatchTable {
public:
    // Words are string literals of the groups' tables, so views stay valid. The first
    // group to claim a word keeps it.
    void add(std::span<const DispatchEntry<Handler>> entries) {
        for (const auto& entry : entries) handlers_.emplace(entry.word, entry.handler);
    }

    // The handler of `word`, or null.
    Handler find(std::string_view word) const {
        auto it = handlers_.find(word);
        return it == handlers_.end() ? nullptr : it->second;
    }

    // Every word of the table, sorted.
    std::vector<std::string> words() const {
        std::vector<std::string> all;
        for (const auto& [word, handler] : handlers_) all.emplace_back(word);
        std::sort(all.begin(), all.end());
        return all;
    }

private:
    std::unordered_map<std::string_view, Handler> handlers_;
};

}  // namespace tala::interp
