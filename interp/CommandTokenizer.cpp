#include "interp/CommandTokenizer.h"

#include "interp/CommandTextCache.h"

namespace tala::interp {

namespace {

bool contains(const std::string& set, char c) {
    return set.find(c) != std::string::npos;
}

// Returns the pair whose opening character is c, or nullptr.
const std::pair<char, char>* openingPair(const std::vector<std::pair<char, char>>& pairs, char c) {
    for (const auto& pair : pairs)
        if (pair.first == c) return &pair;
    return nullptr;
}

bool isBracketCharacter(const std::vector<std::pair<char, char>>& pairs, char c) {
    for (const auto& pair : pairs)
        if (pair.first == c || pair.second == c) return true;
    return false;
}

// Where the group opened at `open` ends: its inner text runs to `innerEnd` (the
// matching closing character, or the end of an unclosed group) and the scan goes on
// at `next`.
struct GroupEnd {
    size_t innerEnd;
    size_t next;
};

GroupEnd findGroupEnd(std::string_view text, size_t open, std::pair<char, char> pair) {
    int depth = 0;
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] == pair.first) {
            ++depth;
        } else if (text[i] == pair.second) {
            if (depth == 0) return {i, i + 1};
            --depth;
        }
    }
    return {text.size(), text.size()};
}

// Index just past the quote character that closes the section opened at `open`.
size_t skipQuoted(std::string_view text, size_t open, const std::string& quotes) {
    for (size_t i = open + 1; i < text.size(); ++i)
        if (contains(quotes, text[i])) return i + 1;
    return text.size();
}

// The character sets of one tokenizer applied to one text.
struct Scanner {
    std::string_view text;
    const std::string& separators;
    const std::string& dropped;
    const std::string& quotes;
    const std::vector<std::pair<char, char>>& brackets;

    // Where the token that starts at `i` ends: the index of the separator after it,
    // or the end of the text. Quoted sections and groups are passed over whole.
    size_t skipToken(size_t i) const {
        while (i < text.size()) {
            const char c = text[i];
            if (contains(separators, c)) return i;
            if (contains(quotes, c))
                i = skipQuoted(text, i, quotes);
            else if (const auto* pair = openingPair(brackets, c))
                i = findGroupEnd(text, i, *pair).next;
            else
                ++i;
        }
        return text.size();
    }

    // The text of the token that starts at `i`.
    std::string extract(size_t i) const {
        std::string result;
        while (i < text.size()) {
            const char c = text[i];
            if (contains(separators, c)) break;
            if (contains(quotes, c)) {
                // While extracting, a quoted section also ends at any bracket character.
                ++i;
                while (i < text.size() && !contains(quotes, text[i]) && !isBracketCharacter(brackets, text[i]))
                    result.push_back(text[i++]);
                if (i < text.size()) ++i;
            } else if (const auto* pair = openingPair(brackets, c)) {
                const GroupEnd end = findGroupEnd(text, i, *pair);
                result.append(text.substr(i + 1, end.innerEnd - (i + 1)));
                i = end.next;
            } else {
                if (!contains(dropped, c)) result.push_back(c);
                ++i;
            }
        }
        return result;
    }
};

}  // namespace

CommandTokenizer::CommandTokenizer() = default;
CommandTokenizer::~CommandTokenizer() = default;
CommandTokenizer::CommandTokenizer(const CommandTokenizer&) = default;
CommandTokenizer::CommandTokenizer(CommandTokenizer&&) noexcept = default;
CommandTokenizer& CommandTokenizer::operator=(const CommandTokenizer&) = default;
CommandTokenizer& CommandTokenizer::operator=(CommandTokenizer&&) noexcept = default;

void CommandTokenizer::ownTokens() {
    if (!split_) return;
    const std::shared_ptr<const SplitCommand> split = std::move(split_);
    *this = forScripts();
    setText(split->text);
}

void CommandTokenizer::addSeparator(char c) { ownTokens(); separators_.push_back(c); }
void CommandTokenizer::addDropped(char c) { ownTokens(); dropped_.push_back(c); }
void CommandTokenizer::addQuote(char c) { ownTokens(); quotes_.push_back(c); }
void CommandTokenizer::addBracketPair(char open, char close) { ownTokens(); brackets_.emplace_back(open, close); }

const std::string& CommandTokenizer::text() const { return split_ ? split_->text : text_; }

void CommandTokenizer::setText(std::string_view text) {
    const std::shared_ptr<const SplitCommand> served = split_;  // `text` may lie in it
    ownTokens();
    text_.assign(text);
    const Scanner scan{text_, separators_, dropped_, quotes_, brackets_};
    // One scan finds where every token starts, so reading token n later costs
    // only its own length.
    starts_.assign(1, 0);
    for (size_t i = scan.skipToken(0); i < text_.size(); i = scan.skipToken(i + 1)) starts_.push_back(i + 1);
    count_ = static_cast<int>(starts_.size());
}

std::string CommandTokenizer::token(int n) const {
    if (n < 0 || n >= count_) return {};
    if (split_) return split_->tokens[static_cast<size_t>(n)];
    const Scanner scan{text_, separators_, dropped_, quotes_, brackets_};
    return scan.extract(starts_[static_cast<size_t>(n)]);
}

const std::string& CommandTokenizer::token(int n, std::string& scratch) const {
    if (split_ && n >= 0 && n < count_) return split_->tokens[static_cast<size_t>(n)];
    scratch = token(n);
    return scratch;
}

std::vector<std::string> CommandTokenizer::tokens() const {
    if (split_) return split_->tokens;
    const Scanner scan{text_, separators_, dropped_, quotes_, brackets_};
    std::vector<std::string> all;
    all.reserve(starts_.size());
    for (size_t start : starts_) all.push_back(scan.extract(start));
    return all;
}

CommandTokenizer CommandTokenizer::forScripts() {
    CommandTokenizer tokenizer;
    tokenizer.addSeparator(' ');
    tokenizer.addSeparator(',');
    tokenizer.addDropped('\t');
    tokenizer.addBracketPair('(', ')');
    tokenizer.addQuote('"');
    return tokenizer;
}

CommandTokenizer CommandTokenizer::forScriptText(std::string_view text) {
    return CommandTokenizer(CommandTextCache::forThisThread().split(text));
}

CommandTokenizer CommandTokenizer::forScriptToken(int n) const {
    CommandTextCache& cache = CommandTextCache::forThisThread();
    if (!split_ || !split_->parts || n < 0 || n >= count_ || !cache.enabled()) {
        std::string scratch;
        return forScriptText(token(n, scratch));
    }
    std::shared_ptr<const SplitCommand>& part = split_->parts[static_cast<std::size_t>(n)];
    if (part) return CommandTokenizer(part);
    std::shared_ptr<const SplitCommand> split = cache.split(split_->tokens[static_cast<std::size_t>(n)]);
    // A part is shorter than the text it lies in, so it never holds its own holder.
    if (split != split_) part = split;
    return CommandTokenizer(std::move(split));
}

// Served tokens need no starts of their own; ownTokens() makes them before any scan.
CommandTokenizer::CommandTokenizer(std::shared_ptr<const SplitCommand> split)
    : split_(std::move(split)), starts_(), count_(static_cast<int>(split_->tokens.size())) {}

CommandTokenizer CommandTokenizer::forShellCommands() {
    CommandTokenizer tokenizer;
    tokenizer.addSeparator(' ');
    return tokenizer;
}

std::string normalizeCommandText(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    text = text.substr(0, end);

    std::string out;
    out.reserve(text.size() + 8);
    // Whether a blank was read since the last character that is neither blank nor tab.
    bool blankSeen = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hasPrevious = i > 0;
        const char previous = hasPrevious ? text[i - 1] : '\0';
        if (c == ' ') {
            blankSeen = true;
            if (out.empty()) continue;                      // leading blank
            if (previous == ' ' || previous == '(') continue;  // run of blanks, or blank after "("
            out.push_back(' ');
            continue;
        }
        if (c == '(' && hasPrevious && !blankSeen) out.push_back(' ');
        if (c != '\t') blankSeen = false;
        out.push_back(c);
    }
    return out;
}

}  // namespace tala::interp
