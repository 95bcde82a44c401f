#pragma once
// Token n of a tokenizer's text found the slow way, by scanning from the start of the
// command past the n tokens before it: the reference the positions the tokenizer keeps
// are checked and measured against. The skipping is written out here from the rules
// (a separator ends a token, a quoted section runs to the next quote, a bracketed
// group to its matching close or the end); the token's text is then what the
// tokenizer reads from that start.

#include <cstddef>
#include <string>
#include <string_view>

#include "interp/CommandTokenizer.h"

namespace rescanning {

// The characters that steer the skipping, as CommandTokenizer::forScripts() and
// forShellCommands() are set up; opens[k] is closed by closes[k].
struct Rules {
    std::string_view separators, quotes, opens, closes;
};
inline constexpr Rules kScripts{" ,", "\"", "(", ")"};
inline constexpr Rules kShellCommands{" ", "", "", ""};

// Where the token that starts at i ends: its separator, or the end of the text.
inline std::size_t skipToken(std::string_view text, std::size_t i, const Rules& rules) {
    auto in = [](std::string_view set, char c) { return set.find(c) != std::string_view::npos; };
    while (i < text.size() && !in(rules.separators, text[i])) {
        const char c = text[i++];
        if (in(rules.quotes, c)) {
            while (i < text.size() && !in(rules.quotes, text[i])) ++i;
            if (i < text.size()) ++i;
        } else if (const std::size_t pair = rules.opens.find(c); pair != std::string_view::npos) {
            for (int depth = 0; i < text.size(); ++i) {
                if (text[i] == rules.opens[pair]) {
                    ++depth;
                } else if (text[i] == rules.closes[pair] && depth-- == 0) {
                    ++i;
                    break;
                }
            }
        }
    }
    return i;
}

// Token n (empty outside 0 ... count() - 1). `scratch` is a tokenizer set up as
// `tokenizer` is; its text is replaced.
inline std::string token(const tala::interp::CommandTokenizer& tokenizer, const Rules& rules, int n,
                         tala::interp::CommandTokenizer& scratch) {
    if (n < 0 || n >= tokenizer.count()) return {};
    const std::string_view text = tokenizer.text();
    std::size_t start = 0;
    for (int k = 0; k < n; ++k) start = skipToken(text, start, rules) + 1;
    scratch.setText(text.substr(start));
    return scratch.token(0);
}

inline std::string token(const tala::interp::CommandTokenizer& tokenizer, const Rules& rules, int n) {
    tala::interp::CommandTokenizer scratch = tokenizer;
    return token(tokenizer, rules, n, scratch);
}

}  // namespace rescanning
