#pragma once
// The split form of recently run script command texts, kept per thread so that a text
// run again (an agent's command every frame, a loop body, a decision maker's step) is
// not scanned again. The split depends on the text alone, so an entry never goes stale:
// what the words of a text mean is still looked up on every run.
//
// The cache is bounded by entries and by bytes and drops the least recently used text
// first. Its bytes are counted in the memory budget as cached memory: it takes only
// what is free, gives way when other uses grow into it, and never changes what is
// refused or the figures a refusal prints. Without room a text is split afresh.

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tala::interp {

// One command text and its tokens, as CommandTokenizer::forScripts() splits it.
struct SplitCommand {
    std::string text;
    std::vector<std::string> tokens;
    // The split of each token that has been evaluated as a command of its own ("(get
    // QDM)" in an agent's command), kept beside the text that holds it: evaluating that
    // token again needs no look-up. Filled on the thread whose cache made the entry.
    // One place per token, or none where every token is plain.
    mutable std::unique_ptr<std::shared_ptr<const SplitCommand>[]> parts;
    std::size_t bytes = 0;  // what the entry holds, as counted in the memory budget
};

class CommandTextCache {
public:
    static constexpr std::size_t kMaxEntries = 4096;
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 20;
    // A longer text is split afresh each time: one such text would push out many
    // short ones, and long texts (whole script files) are rarely run twice.
    static constexpr std::size_t kMaxTextSize = 16384;

    CommandTextCache() = default;
    CommandTextCache(const CommandTextCache&) = delete;
    CommandTextCache& operator=(const CommandTextCache&) = delete;
    ~CommandTextCache() { clear(); }

    // The split of `text`: the kept one, or a new one kept when it fits.
    std::shared_ptr<const SplitCommand> split(std::string_view text);

    void clear();
    std::size_t entries() const { return index_.size(); }
    std::size_t bytes() const { return bytes_; }
    std::size_t hits() const { return hits_; }
    // Off: every text is split afresh (the uncached route, for comparisons).
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }

    // This thread's cache, used by both languages' evaluators.
    static CommandTextCache& forThisThread();

private:
    using Entries = std::list<std::shared_ptr<const SplitCommand>>;
    void evictOldest();

    Entries recent_;  // most recently used first
    std::unordered_map<std::string_view, Entries::iterator> index_;  // views into the entries' texts
    std::size_t bytes_ = 0;
    std::size_t hits_ = 0;
    bool enabled_ = true;
};

// The split of `text` by CommandTokenizer::forScripts(), with nothing kept.
std::shared_ptr<const SplitCommand> splitScriptText(std::string_view text);

}  // namespace tala::interp
