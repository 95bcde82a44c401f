#pragma once
// Token n of a tokenizer's text found the slow way, scanning from the start past the n tokens before it, written
// out from the rules: the reference the tokenizer's kept positions and its reading of a token are checked against.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include "interp/CommandTokenizer.h"
namespace rescanning {
// The characters of CommandTokenizer::forScripts() and forShellCommands(); opens[k] is closed by closes[k].
struct Rules { std::string_view separators, dropped, quotes, opens, closes; };
inline constexpr Rules kScripts{" ,", "\t", "\"", "(", ")"};
inline constexpr Rules kShellCommands{" ", "", "", "", ""};
inline bool in(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }
// The index of the character that closes the group whose inner text starts at i, or the end of the text; groups
// of the same pair nest.
inline std::size_t groupEnd(std::string_view text, std::size_t i, char open, char close) {
    for (int depth = 0; i < text.size(); ++i) {
        if (text[i] == open) ++depth;
        if (text[i] == close && depth-- == 0) break;
    }
    return i;
}
// Where the token that starts at i ends: its separator, or the end of the text. A quoted section runs to the next
// quote, a group to its close.
inline std::size_t skipToken(std::string_view text, std::size_t i, const Rules& rules) {
    while (i < text.size() && !in(rules.separators, text[i])) {
        const char c = text[i++];
        if (in(rules.quotes, c)) {
            while (i < text.size() && !in(rules.quotes, text[i])) ++i;
            ++i;
        } else if (const std::size_t pair = rules.opens.find(c); pair != std::string_view::npos) {
            i = groupEnd(text, i, c, rules.closes[pair]) + 1;
        }
    }
    return std::min(i, text.size());
}
// The text of the token that starts at i: a group gives its inner text, a quoted section its text up to a quote
// or any bracket character (which goes too), and the dropped characters go elsewhere.
inline std::string readToken(std::string_view text, std::size_t i, const Rules& rules) {
    std::string token;
    while (i < text.size() && !in(rules.separators, text[i])) {
        const char c = text[i++];
        if (in(rules.quotes, c)) {
            while (i < text.size() && !in(rules.quotes, text[i]) && !in(rules.opens, text[i]) &&
                   !in(rules.closes, text[i]))
                token.push_back(text[i++]);
            ++i;
        } else if (const std::size_t pair = rules.opens.find(c); pair != std::string_view::npos) {
            const std::size_t end = groupEnd(text, i, c, rules.closes[pair]);
            token.append(text.substr(i, end - i));
            i = end + 1;
        } else if (!in(rules.dropped, c)) {
            token.push_back(c);
        }
    }
    return token;
}
// Token n of the tokenizer's text, empty outside 0 ... count() - 1.
inline std::string token(const tala::interp::CommandTokenizer& tokenizer, const Rules& rules, int n) {
    if (n < 0 || n >= tokenizer.count()) return {};
    const std::string_view text = tokenizer.text();
    std::size_t start = 0;
    for (int k = 0; k < n; ++k) start = skipToken(text, start, rules) + 1;
    return readToken(text, start, rules);
}
}  // namespace rescanning
