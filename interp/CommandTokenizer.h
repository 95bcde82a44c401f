#pragma once
// Splits a prefix-form command text into tokens. A bracketed group comes back as
// one token without its outer brackets; the evaluators recurse on that text.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tala::interp {

struct SplitCommand;

class CommandTokenizer {
public:
    void addSeparator(char c);
    void addDropped(char c);
    void addQuote(char c);
    void addBracketPair(char open, char close);

    // Stores the text and counts its tokens.
    void setText(std::string_view text);
    const std::string& text() const;

    // Number of tokens of the current text; at least 1.
    int count() const { return count_; }
    // Text of token n; empty at or beyond count(). Costs the token's own length:
    // where each token starts is found once, by setText.
    std::string token(int n) const;
    // The same text without a copy where the tokens were served by forScriptText (the
    // reference lives as long as this tokenizer); otherwise extracted into `scratch`.
    const std::string& token(int n, std::string& scratch) const;
    // Every token (same texts as token(0) ... token(count() - 1)).
    std::vector<std::string> tokens() const;

    // The configuration of both evaluators: separators blank and comma, tab dropped,
    // "(" ")" brackets, the double quote.
    static CommandTokenizer forScripts();
    // The shell's "!" commands: blank-separated, nothing else.
    static CommandTokenizer forShellCommands();
    // A forScripts() tokenizer set to `text`, its tokens taken from this thread's cache
    // of recent texts (CommandTextCache) instead of scanned again.
    static CommandTokenizer forScriptText(std::string_view text);
    // forScriptText(token(n)): a token of a kept text keeps its own split, so a command
    // inside another one is split and looked up once.
    CommandTokenizer forScriptToken(int n) const;

    CommandTokenizer();
    ~CommandTokenizer();
    CommandTokenizer(const CommandTokenizer&);
    CommandTokenizer(CommandTokenizer&&) noexcept;
    CommandTokenizer& operator=(const CommandTokenizer&);
    CommandTokenizer& operator=(CommandTokenizer&&) noexcept;

private:
    explicit CommandTokenizer(std::shared_ptr<const SplitCommand> split);

    // A tokenizer served by forScriptText becomes an ordinary forScripts() one before
    // its characters or its text are changed.
    void ownTokens();

    std::shared_ptr<const SplitCommand> split_;  // the served tokens, when set
    std::string text_;
    std::string separators_;
    std::string dropped_;
    std::string quotes_;
    std::vector<std::pair<char, char>> brackets_;
    std::vector<std::size_t> starts_{0};  // where each token begins in text_
    int count_ = 1;
};

// Whether forScripts() reads `text` as one token that is the text itself: it holds no
// separator, dropped character, bracket or quote. The evaluators take such a text as
// it is, without a split or a look-up in the cache.
inline bool isPlainScriptToken(std::string_view text) {
    for (const char c : text)
        if (c == ' ' || c == ',' || c == '\t' || c == '(' || c == ')' || c == '"') return false;
    return true;
}

// The normalisation applied to script files and shell lines before evaluation:
// trims, folds blank runs, drops blanks after "(", puts a blank before each "(".
std::string normalizeCommandText(std::string_view text);

}  // namespace tala::interp
