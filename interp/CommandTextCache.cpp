#include "interp/CommandTextCache.h"

#include <algorithm>

#include "interp/CommandTokenizer.h"
#include "linalg/MemoryBudget.h"

namespace tala::interp {

namespace {

// What an entry holds: the text, the tokens and their heap storage, and the list and
// index nodes that keep it.
std::size_t entryBytes(const SplitCommand& split) {
    std::size_t bytes = sizeof(SplitCommand) + 64 + 4 * sizeof(void*);  // shared block, list and index nodes
    bytes += split.text.capacity() + 1;
    bytes += split.tokens.capacity() * sizeof(std::string);
    if (split.parts) bytes += split.tokens.size() * sizeof(std::shared_ptr<const SplitCommand>);
    for (const std::string& token : split.tokens)
        if (token.capacity() > 15) bytes += token.capacity() + 1;
    return bytes;
}

}  // namespace

std::shared_ptr<const SplitCommand> splitScriptText(std::string_view text) {
    CommandTokenizer tokenizer = CommandTokenizer::forScripts();
    tokenizer.setText(text);
    auto split = std::make_shared<SplitCommand>();
    split->text = tokenizer.text();
    split->tokens = tokenizer.tokens();
    // Room for the parts only where a token is a command of its own: a plain token is
    // evaluated as itself, never split.
    const auto command = [](const std::string& token) { return !isPlainScriptToken(token); };
    if (split->tokens.size() > 1 && std::any_of(split->tokens.begin(), split->tokens.end(), command))
        split->parts.reset(new std::shared_ptr<const SplitCommand>[split->tokens.size()]);
    split->bytes = entryBytes(*split);
    return split;
}

std::shared_ptr<const SplitCommand> CommandTextCache::split(std::string_view text) {
    if (enabled_) {
        if (auto it = index_.find(text); it != index_.end()) {
            ++hits_;
            if (it->second != recent_.begin()) recent_.splice(recent_.begin(), recent_, it->second);
            return *it->second;
        }
    }
    std::shared_ptr<const SplitCommand> split = splitScriptText(text);
    if (!enabled_ || text.size() > kMaxTextSize || split->bytes > kMaxBytes) return split;
    while (!recent_.empty() && (index_.size() >= kMaxEntries || bytes_ + split->bytes > kMaxBytes ||
                                linalg::cachedMemoryOverBudget()))
        evictOldest();
    if (!linalg::countCachedMemory(static_cast<std::int64_t>(split->bytes))) return split;
    recent_.push_front(split);
    index_.emplace(std::string_view(split->text), recent_.begin());
    bytes_ += split->bytes;
    return split;
}

void CommandTextCache::evictOldest() {
    const std::shared_ptr<const SplitCommand>& oldest = recent_.back();
    index_.erase(std::string_view(oldest->text));
    bytes_ -= oldest->bytes;
    linalg::uncountCachedMemory(static_cast<std::int64_t>(oldest->bytes));
    recent_.pop_back();
}

void CommandTextCache::clear() {
    while (!recent_.empty()) evictOldest();
    hits_ = 0;
}

void CommandTextCache::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) clear();
}

CommandTextCache& CommandTextCache::forThisThread() {
    thread_local CommandTextCache cache;
    return cache;
}

}  // namespace tala::interp
