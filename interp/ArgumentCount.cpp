#include "interp/ArgumentCount.h"

#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

#include "interp/InterpreterWords.h"
#include "interp/ObjectCall.h"
#include "interp/UserObject.h"
#include "support/Reporting.h"

namespace tala::interp {

using support::warn;

namespace {

// The script file whose text runs next.
thread_local std::string pendingFile;

std::string arguments(int n) { return n == 1 ? "1 argument" : std::to_string(n) + " arguments"; }

// A token that reads as a command of its own: a word, a library's word, or a bracketed call.
bool looksLikeCommand(const std::string& token) {
    if (token.find("::") != std::string::npos || token.find(' ') != std::string::npos) return true;
    return words::WordTable::builtins().find(token) != nullptr;
}

}  // namespace

std::string describeValue(const Object& value) {
    if (!value.hasData()) return "nothing";
    switch (value.type) {
        case ObjectType::String: return "the string '" + value.getString() + "'";
        case ObjectType::Integer: return "the integer " + std::to_string(value.getInteger());
        case ObjectType::Double: {
            std::ostringstream text;
            text << "the double " << value.getDouble();
            return text.str();
        }
        case ObjectType::UserType: return "a " + value.getUserObject().typeName();
        default: return "a value of no known type";
    }
}

std::string argumentName(std::string_view synopsis, int n) {
    std::vector<std::string> names;
    std::vector<std::string_view> form;
    const auto endForm = [&] {
        std::string_view name;
        if (n <= static_cast<int>(form.size())) name = form[n - 1];
        else if (!form.empty() && form.back().ends_with("...")) name = form.back();
        while (!name.empty() && (name.front() == '[')) name.remove_prefix(1);
        while (name.ends_with("...")) name.remove_suffix(3);
        while (!name.empty() && name.back() == ']') name.remove_suffix(1);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
        form.clear();
    };
    std::size_t start = 0;
    while (start <= synopsis.size()) {
        std::size_t end = synopsis.find(' ', start);
        if (end == std::string_view::npos) end = synopsis.size();
        const std::string_view token = synopsis.substr(start, end - start);
        start = end + 1;
        if (token == "|") endForm();
        else if (!token.empty() && token != "...") form.push_back(token);
    }
    endForm();
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : "/") + name;
    return joined;
}

std::string takesText(Arity arity) {
    if (arity.most == 0) return "takes no arguments";
    if (arity.most >= kUnbounded) return "takes at least " + arguments(arity.least);
    if (arity.least == arity.most) return "takes " + arguments(arity.least);
    const char* joint = arity.most == arity.least + 1 ? " or " : " to ";
    return "takes " + std::to_string(arity.least) + joint + arguments(arity.most);
}

void expectScriptFile(std::string_view fileName) { pendingFile = fileName; }

std::string takeScriptFile() { return pendingFile.empty() ? std::string() : std::exchange(pendingFile, {}); }

void checkArgumentCount(const CommandTokenizer& tokens, Arity arity, std::string_view file, bool missingAllowed) {
    int given = tokens.count() - 1;
    if (given > arity.least && given > 0 && tokens.token(given).empty()) --given;
    if (given >= arity.least && given <= arity.most) return;
    const std::string word = tokens.token(0);
    if (given < arity.least && !missingAllowed) {
        warn(word + ": " + takesText(arity) + ", got " + std::to_string(given) +
             "; the missing ones read as empty");
        return;
    }
    if (given <= arity.most) return;
    std::string extra;
    bool commandLike = false;
    for (int n = arity.most + 1; n <= given; ++n) {
        const std::string token = tokens.token(n);
        commandLike = commandLike || looksLikeCommand(token);
        extra += (extra.empty() ? "" : " ") + token;
    }
    const std::string ignored = "ignored " + std::to_string(given - arity.most) + " extra: " + extra;
    if (!file.empty() && commandLike) {
        warn(std::string(file) + ": a script file is one command, so " + word + " " + takesText(arity) + " and " + ignored +
             ". Write the file as begin (...) (...), or run one command per line with tala < " + std::string(file));
        return;
    }
    warn(word + ": " + takesText(arity) + ", " + ignored);
}

}  // namespace tala::interp
