#include "support/LineEditor.h"

#include <histedit.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "support/FileReplace.h"
#include "support/ScriptOutput.h"

namespace support {

namespace {

bool sessionOpen = false;

// A history file is read from its last this many bytes at most.
constexpr std::streamoff kHistoryReadLimit = 4 << 20;
// Longer lines of a history file are skipped.
constexpr std::size_t kHistoryLineLimit = 1 << 16;

// Characters that end the word being completed.
constexpr std::string_view kWordBoundaries = " \t,()\"";

// Keys that terminals send for Home, End, Delete and Ctrl-arrows in their different
// modes, beyond what the terminal description tells the editor.
constexpr const char* kExtraKeys[][2] = {
    {"\\e[H", "ed-move-to-beg"},      {"\\e[F", "ed-move-to-end"},       {"\\eOH", "ed-move-to-beg"},
    {"\\eOF", "ed-move-to-end"},      {"\\e[1~", "ed-move-to-beg"},      {"\\e[4~", "ed-move-to-end"},
    {"\\e[7~", "ed-move-to-beg"},     {"\\e[8~", "ed-move-to-end"},      {"\\e[3~", "ed-delete-next-char"},
    {"\\e[1;5D", "ed-prev-word"},     {"\\e[1;5C", "em-next-word"},
};

// A line is worth recalling when it is short enough and plain text in the current
// locale, without control characters other than tabs.
bool worthRecalling(const std::string& line) {
    if (line.size() > kHistoryLineLimit) return false;
    if (line.find_first_not_of(" \t") == std::string::npos) return false;
    std::mbstate_t state{};
    std::size_t offset = 0;
    while (offset < line.size()) {
        wchar_t c = 0;
        const std::size_t length = std::mbrtowc(&c, line.data() + offset, line.size() - offset, &state);
        if (length == 0 || length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2))
            return false;
        if (c != L'\t' && (c < 0x20 || c == 0x7f)) return false;
        offset += length;
    }
    return true;
}

std::size_t commonPrefixLength(const std::vector<std::string>& words) {
    std::size_t length = words.front().size();
    for (const std::string& word : words) {
        const auto [differs, ignored] = std::mismatch(words.front().begin(), words.front().begin() + length,
                                                      word.begin(), word.end());
        length = std::min<std::size_t>(length, differs - words.front().begin());
    }
    return length;
}

}  // namespace

// libedit's state for one editor. The callbacks reach it through the editor's client
// data.
struct LineEditor::Editing {
    EditLine* editLine = nullptr;
    History* history = nullptr;
    std::string prompt;
    std::vector<std::string> words;
    std::string historyPath;
    bool discarded = false;

    ~Editing() {
        if (history != nullptr) history_end(history);
        if (editLine != nullptr) el_end(editLine);
    }
};

namespace {

LineEditor::Editing& editingOf(EditLine* editLine);

char* promptOf(EditLine* editLine);
unsigned char discardLine(EditLine* editLine, int);
unsigned char completeAtCursor(EditLine* editLine, int);

}  // namespace

bool TerminalSession::possible() { return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1; }

bool TerminalSession::isOpen() { return sessionOpen; }

TerminalSession::TerminalSession() {
    // Typed characters beyond ASCII are read in the user's encoding.
    std::setlocale(LC_CTYPE, "");
    sessionOpen = true;
}

TerminalSession::~TerminalSession() { sessionOpen = false; }

LineEditor::LineEditor(const std::string& program, const std::string& historyName, std::vector<std::string> words) {
    if (!TerminalSession::isOpen()) return;
    auto editing = std::make_unique<Editing>();
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    editing->words = std::move(words);
    editing->editLine = el_init(program.c_str(), stdin, stdout, stderr);
    editing->history = history_init();
    if (editing->editLine == nullptr || editing->history == nullptr) return;

    EditLine* el = editing->editLine;
    HistEvent event;
    history(editing->history, &event, H_SETSIZE, static_cast<int>(kHistoryLines));
    history(editing->history, &event, H_SETUNIQUE, 1);
    el_set(el, EL_CLIENTDATA, editing.get());
    el_set(el, EL_HIST, history, editing->history);
    el_set(el, EL_PROMPT, promptOf);
    el_set(el, EL_EDITOR, "emacs");
    // At the prompt Ctrl-C is a key bound below, not a signal.
    el_set(el, EL_SETTY, "-d", "-isig", static_cast<const char*>(nullptr));
    // Wide texts: the editor keeps them as given (it would copy narrow ones and never free them).
    el_wset(el, EL_ADDFN, L"discard-line", L"Discard the line being typed", discardLine);
    el_set(el, EL_BIND, "^C", "discard-line", static_cast<const char*>(nullptr));
    el_wset(el, EL_ADDFN, L"complete-word", L"Complete the word before the cursor", completeAtCursor);
    el_set(el, EL_BIND, "^I", "complete-word", static_cast<const char*>(nullptr));
    for (const auto& [keys, action] : kExtraKeys) el_set(el, EL_BIND, keys, action, static_cast<const char*>(nullptr));
    // The user's own settings come last and win.
    el_source(el, nullptr);

    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        editing->historyPath = std::string(home) + "/" + historyName;
        for (const std::string& line : loadHistory(editing->historyPath, kHistoryLines))
            history(editing->history, &event, H_ENTER, line.c_str());
    }
    editing_ = std::move(editing);
}

LineEditor::~LineEditor() = default;

std::optional<std::string> LineEditor::readLine(const std::string& prompt) {
    std::string line;
    if (!editing_) {
        out() << prompt << std::flush;
        if (!std::getline(std::cin, line)) {
            out() << "\n" << std::flush;
            return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    editing_->prompt = prompt;
    out().flush();
    for (;;) {
        editing_->discarded = false;
        el_resize(editing_->editLine);
        int count = 0;
        errno = 0;
        const char* text = el_gets(editing_->editLine, &count);
        if (editing_->discarded) continue;
        if (text == nullptr || count <= 0) {
            // Ctrl-C sent as a signal rather than typed discards the line too.
            if (count < 0 && errno == EINTR && keyWaiting()) {
                discardStoppingKeys();
                continue;
            }
            out() << "\n" << std::flush;
            return std::nullopt;
        }
        line.assign(text, static_cast<std::size_t>(count));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        return line;
    }
}

void LineEditor::remember(const std::string& line) {
    if (!editing_ || !worthRecalling(line)) return;
    // The history keeps the last kHistoryLines lines and drops a repeat of the last one.
    HistEvent event;
    if (history(editing_->history, &event, H_ENTER, line.c_str()) <= 0 || editing_->historyPath.empty()) return;
    // Oldest first, as the file keeps them. libedit's own file format encodes the lines
    // behind a header, so the plain file is written here, through a temporary.
    std::deque<std::string> lines;
    for (int found = history(editing_->history, &event, H_LAST); found == 0;
         found = history(editing_->history, &event, H_PREV))
        lines.emplace_back(event.str);
    saveHistory(editing_->historyPath, lines);
}

namespace {

LineEditor::Editing& editingOf(EditLine* editLine) {
    void* data = nullptr;
    el_get(editLine, EL_CLIENTDATA, &data);
    return *static_cast<LineEditor::Editing*>(data);
}

char* promptOf(EditLine* editLine) { return editingOf(editLine).prompt.data(); }

// Ctrl-C: the line stays on the screen marked "^C" and is then dropped.
unsigned char discardLine(EditLine* editLine, int) {
    editingOf(editLine).discarded = true;
    const LineInfo* line = el_line(editLine);
    el_cursor(editLine, static_cast<int>(line->lastchar - line->cursor));
    el_insertstr(editLine, "^C");
    el_push(editLine, "\n");
    return CC_REFRESH;
}

// Lists the choices below the line being edited.
void listChoices(EditLine* editLine, const std::vector<std::string>& choices) {
    int width = 0;
    if (el_get(editLine, EL_GETTC, "co", &width) != 0 || width <= 0) width = 80;
    std::fputs("\n", stdout);
    std::fputs(formatColumns(choices, static_cast<std::size_t>(width)).c_str(), stdout);
    std::fflush(stdout);
}

unsigned char completeAtCursor(EditLine* editLine, int) {
    const LineEditor::Editing& editing = editingOf(editLine);
    const LineInfo* line = el_line(editLine);
    const Completion completion =
        completeWord(std::string_view(line->buffer, static_cast<std::size_t>(line->cursor - line->buffer)), editing.words);
    if (!completion.insert.empty()) {
        el_insertstr(editLine, completion.insert.c_str());
        return CC_REFRESH;
    }
    if (completion.choices.empty()) return CC_REFRESH_BEEP;
    listChoices(editLine, completion.choices);
    return CC_REDISPLAY;
}

}  // namespace

Completion completeWord(std::string_view beforeCursor, const std::vector<std::string>& words) {
    const std::size_t boundary = beforeCursor.find_last_of(kWordBoundaries);
    const std::string_view prefix = beforeCursor.substr(boundary == std::string_view::npos ? 0 : boundary + 1);
    Completion completion;
    for (const std::string& word : words)
        if (word.starts_with(prefix)) completion.choices.push_back(word);
    std::sort(completion.choices.begin(), completion.choices.end());
    completion.choices.erase(std::unique(completion.choices.begin(), completion.choices.end()),
                             completion.choices.end());
    if (completion.choices.empty()) return completion;
    if (completion.choices.size() == 1) {
        completion.insert = completion.choices.front().substr(prefix.size()) + " ";
        completion.choices.clear();
        return completion;
    }
    completion.insert = completion.choices.front().substr(prefix.size(), commonPrefixLength(completion.choices) - prefix.size());
    if (!completion.insert.empty()) completion.choices.clear();
    return completion;
}

std::string formatColumns(const std::vector<std::string>& words, std::size_t width) {
    std::size_t cell = 1;
    for (const std::string& word : words) cell = std::max(cell, word.size() + 2);
    const std::size_t columns = std::max<std::size_t>(1, width / cell);
    const std::size_t rows = (words.size() + columns - 1) / columns;
    std::string text;
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t index = row; index < words.size(); index += rows) {
            text += words[index];
            if (index + rows < words.size()) text.append(cell - words[index].size(), ' ');
        }
        text += "\n";
    }
    return text;
}

std::deque<std::string> loadHistory(const std::string& path, std::size_t limit) {
    std::deque<std::string> lines;
    std::error_code error;
    // A folder or a device under the history's name is no history.
    if (!std::filesystem::is_regular_file(path, error)) return lines;
    std::ifstream in(path, std::ios::binary);
    if (!in) return lines;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    std::string line;
    if (size > kHistoryReadLimit) {
        in.seekg(size - kHistoryReadLimit);
        std::getline(in, line);  // the part of a line before the tail
    } else {
        in.seekg(0);
    }
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!worthRecalling(line)) continue;
        lines.push_back(std::move(line));
        if (lines.size() > limit) lines.pop_front();
    }
    return lines;
}

void saveHistory(const std::string& path, const std::deque<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes.append(line).append("\n");
    try {
        replaceFile(path, bytes, kPrivateFileMode);
    } catch (const std::exception&) {
        // A history that cannot be written is simply not kept.
    }
}

}  // namespace support
