#include "interp/WordHelp.h"

#include <algorithm>
#include <numeric>

namespace tala::interp {

namespace {

// Lays out the items separated by blanks in lines of at most `width` characters where
// the items allow: the first line starts with `lead`, the others with `indent` blanks.
std::string wrapped(const std::vector<std::string_view>& items, std::string_view lead, std::size_t indent,
                    std::size_t width) {
    std::string text(lead);
    std::size_t lineStart = 0;
    bool lineEmpty = true;
    for (std::string_view item : items) {
        if (!lineEmpty && text.size() - lineStart + 1 + item.size() > width) {
            text += "\n";
            lineStart = text.size();
            text.append(indent, ' ');
            lineEmpty = true;
        }
        if (!lineEmpty) text += ' ';
        text += item;
        lineEmpty = false;
    }
    return text + "\n";
}

std::vector<std::string_view> wordsOfText(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The typed text as it may be shown: control characters become '?', and a long text is cut.
std::string shown(std::string_view typed) {
    constexpr std::size_t kLongest = 40;
    std::string text;
    for (char c : typed.substr(0, kLongest)) {
        const auto byte = static_cast<unsigned char>(c);
        text += (byte < 0x20 || byte == 0x7f) ? '?' : c;
    }
    if (typed.size() > kLongest) text += "...";
    return text;
}

std::string heading(const WordDoc& word) {
    return word.synopsis.empty() ? std::string(word.word) : std::string(word.word) + " " + std::string(word.synopsis);
}

// The summary in lines indented by two blanks.
std::string summaryLines(const WordDoc& word) { return wrapped(wordsOfText(word.summary), "  ", 2, kHelpWidth); }

// A word with its synopsis on one line, its summary indented below.
std::string described(const WordDoc& word) { return heading(word) + "\n" + summaryLines(word); }

std::string overview(const std::vector<GroupDoc>& groups) {
    std::size_t column = 0;
    for (const GroupDoc& group : groups) column = std::max(column, group.name.size() + 2);
    std::string text = "!help WORD shows a word, !help PREFIX* the words starting with PREFIX.\n";
    for (const GroupDoc& group : groups) {
        std::vector<std::string_view> words;
        for (const WordDoc& word : group.words) words.push_back(word.word);
        std::string lead(group.name);
        lead.resize(column, ' ');
        text += wrapped(words, lead, column, kHelpWidth);
    }
    return text;
}

std::string nearestLine(const std::vector<GroupDoc>& groups, std::string_view typed) {
    const std::vector<std::string> nearest = nearestWords(groups, typed, 4);
    if (nearest.empty()) return "\n";
    std::string text = " Nearest:";
    for (const std::string& word : nearest) text += " " + word + (&word == &nearest.back() ? "." : ",");
    return text + "\n";
}

std::string matchingPrefix(const std::vector<GroupDoc>& groups, std::string_view prefix) {
    std::string text;
    for (const GroupDoc& group : groups)
        for (const WordDoc& word : group.words)
            if (word.word.starts_with(prefix)) text += described(word);
    if (text.empty()) return "No word starts with '" + shown(prefix) + "'." + nearestLine(groups, prefix);
    return text;
}

std::string oneWord(const std::vector<GroupDoc>& groups, std::string_view typed) {
    for (const GroupDoc& group : groups)
        for (const WordDoc& word : group.words) {
            if (word.word != typed) continue;
            std::string text = heading(word) + "   (" + std::string(group.name) + ")\n";
            text += summaryLines(word);
            if (!word.example.empty()) text += "  Example: " + std::string(word.example) + "\n";
            return text;
        }
    return "No word '" + shown(typed) + "' in the tables." + nearestLine(groups, typed);
}

std::string lowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> previous(b.size() + 1);
    std::iota(previous.begin(), previous.end(), std::size_t{0});
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replace = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

// How far a word is from what was typed: 0 when the word, or its part after the last
// "::", begins with it; else one more than the smaller edit distance.
std::size_t distance(const std::string& typed, std::string_view word) {
    const std::string whole = lowered(word);
    const std::size_t split = whole.rfind("::");
    const std::string_view part = split == std::string::npos ? std::string_view(whole)
                                                             : std::string_view(whole).substr(split + 2);
    if (!typed.empty() && (whole.starts_with(typed) || part.starts_with(typed))) return 0;
    return 1 + std::min(editDistance(typed, whole), editDistance(typed, part));
}

// Markdown: a code span holding the text, and plain text with its markup characters escaped.
std::string codeSpan(std::string_view text) {
    const bool holdsTick = text.find('`') != std::string_view::npos;
    return (holdsTick ? "`` " : "`") + std::string(text) + (holdsTick ? " ``" : "`");
}

std::string escaped(std::string_view text) {
    std::string plain;
    for (char c : text) {
        if (std::string_view("\\`*_[]<>|#").find(c) != std::string_view::npos) plain += '\\';
        plain += c;
    }
    return plain;
}

}  // namespace

std::vector<std::string> wordList(const std::vector<GroupDoc>& groups) {
    std::vector<std::string> words;
    for (const GroupDoc& group : groups)
        for (const WordDoc& word : group.words) words.emplace_back(word.word);
    return words;
}

std::string helpText(const std::vector<GroupDoc>& groups, std::string_view argument) {
    if (argument.empty()) return overview(groups);
    if (argument.back() == '*') return matchingPrefix(groups, argument.substr(0, argument.size() - 1));
    return oneWord(groups, argument);
}

std::vector<std::string> nearestWords(const std::vector<GroupDoc>& groups, std::string_view typed,
                                      std::size_t count) {
    // A word is at most a few dozen characters: a longer text is no nearer to any.
    const std::string key = lowered(typed.substr(0, 64));
    std::vector<std::pair<std::size_t, std::string>> ranked;
    for (const GroupDoc& group : groups)
        for (const WordDoc& word : group.words) ranked.emplace_back(distance(key, word.word), word.word);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> nearest;
    for (std::size_t i = 0; i < ranked.size() && i < count; ++i) nearest.push_back(ranked[i].second);
    return nearest;
}

std::string referenceText(const std::vector<GroupDoc>& groups) {
    std::string text;
    for (const GroupDoc& group : groups) {
        if (!text.empty()) text += '\n';
        text += "### " + std::string(group.name) + "\n\n";
        for (const WordDoc& word : group.words) {
            text += "- " + codeSpan(heading(word)) + ": " + escaped(word.summary);
            if (!word.example.empty()) text += " Example: " + codeSpan(word.example);
            text += "\n";
        }
    }
    return text;
}

}  // namespace tala::interp
