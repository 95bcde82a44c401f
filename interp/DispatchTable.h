#pragma once
// Word -> handler tables, shared by every group of script words: each group's source
// file ends with a constant array of entries and one function that adds it here.

#include <span>
#include <string_view>
#include <unordered_map>

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

private:
    std::unordered_map<std::string_view, Handler> handlers_;
};

}  // namespace tala::interp
