#include "interp/Interpreter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <limits>

#include "interp/InterpreterWords.h"
#include "linalg/Failure.h"

namespace tala::interp {

namespace words {

void Command::evaluate(int k, Object& into) const {
    interpreter.execute(tokens.token(k), local, into, libraries, global, true);
}

void Command::run(int k, Object& into, bool freshFlag) const {
    interpreter.execute(tokens.token(k), local, into, libraries, global, freshFlag);
}

void Command::report(std::string_view suffix) const {
    std::cout << "Syntax error '" << text << suffix;
}

const WordTable& WordTable::builtins() {
    static const WordTable table = [] {
        WordTable t;
        addControlWords(t);
        addValueWords(t);
        addVariableWords(t);
        addIoWords(t);
        addFileWords(t);
        return t;
    }();
    return table;
}

std::string_view skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    return text.substr(i);
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t digitsFrom(std::string_view text, std::size_t i) {
    while (i < text.size() && isDigit(text[i])) ++i;
    return i;
}

}  // namespace

std::int32_t leadingInteger(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && isDigit(text[i]); ++i) value = std::min(limit, value * 10 + (text[i] - '0'));
    if (negative) value = -value;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

double leadingDouble(std::string_view text) {
    // Only the decimal form is taken: the C library would also read hex, inf and nan.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t intEnd = digitsFrom(text, i);
    std::size_t end = intEnd;
    bool anyDigit = intEnd > i;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fracEnd = digitsFrom(text, end + 1);
        anyDigit = anyDigit || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!anyDigit) return 0.0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t e = end + 1;
        if (e < text.size() && (text[e] == '-' || text[e] == '+')) ++e;
        const std::size_t expEnd = digitsFrom(text, e);
        if (expEnd > e) end = expEnd;
    }
    return std::strtod(std::string(text.substr(0, end)).c_str(), nullptr);
}

}  // namespace words

namespace {

// Counts the commands being evaluated; past the limit a command fails instead of
// recursing further.
class DepthGuard {
public:
    explicit DepthGuard(int& depth) : depth_(depth) {
        if (depth_ >= kMaxCommandDepth) throw Failure(kNestingTooDeep);
        ++depth_;
    }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    ~DepthGuard() { --depth_; }

private:
    int& depth_;
};

// Each bracket level costs a nested evaluation that re-reads the rest of the text, so
// a text nested past the limit is refused before any of that work is done.
bool nestedTooDeep(std::string_view text) {
    int depth = 0;
    for (char ch : text) {
        if (ch == '(' && ++depth > kMaxCommandDepth) return true;
        if (ch == ')' && depth > 0) --depth;
    }
    return false;
}

bool isNumericLiteral(std::string_view t) {
    if (t.empty()) return false;
    if (t[0] >= '0' && t[0] <= '9') return true;
    return (t[0] == '-' || t[0] == '.') && t.size() >= 2;
}

// A single token: a number, a variable reference, or its own text.
void applyLiteral(const std::string& t, const ObjectList& scope, Object& result) {
    if (isNumericLiteral(t)) {
        const auto dots = std::count(t.begin(), t.end(), '.');
        if (dots == 0) result.setInteger(words::leadingInteger(t));
        else if (dots == 1) result.setDouble(words::leadingDouble(t));
        else result.setString(t);
        return;
    }
    if (!scope.lookup(t, result)) result.setString(t);
}

}  // namespace

Interpreter::~Interpreter() {
    for (ModuleRecord& module : modules_) module.library.reset();
    modules_.clear();
    // Values that a module made may need its code to be destroyed: the globals go
    // before the module files are unloaded.
    try {
        globals_.clear();
    } catch (const Failure&) {
        // Nothing left to report to: the entries are gone either way.
    }
    for (ModuleHandle& handle : moduleHandles_) handle.close();
    moduleHandles_.clear();
    searchPath_.clear();
}

void Interpreter::execute(std::string_view text, ObjectList& scope, Object& result,
                          const LibraryList& libraries, bool global, bool fresh) {
    if (depth_ == 0) checkNesting(text);
    DepthGuard guard(depth_);
    result.release();

    CommandTokenizer tokens = CommandTokenizer::forScripts();
    tokens.setText(text);
    if (tokens.count() == 1) {
        applyLiteral(tokens.token(0), scope, result);
        return;
    }

    ObjectList local = scope.borrowedCopy();
    ObjectList& target = global ? globals_ : (fresh ? local : scope);
    words::Command command{*this, text, tokens, local, target, result, libraries, global, fresh};

    if (words::WordHandler handler = words::WordTable::builtins().find(tokens.token(0))) {
        handler(command);
        return;
    }
    for (CommandLibrary* library : consultedLibraries(libraries))
        if (library->execute(tokens, local, result, *this, libraries, global)) return;
    command.report("'\n");
}

void Interpreter::checkNesting(std::string_view text) const {
    if (nestedTooDeep(text)) throw Failure(kNestingTooDeep);
}

LibraryList Interpreter::consultedLibraries(const LibraryList& callerLibraries) const {
    LibraryList consulted;
    auto consider = [&](CommandLibrary* library) {
        if (library && library->interfaceLevel() <= kSupportedInterfaceLevel) consulted.push_back(library);
    };
    for (CommandLibrary* library : callerLibraries) consider(library);
    for (const ModuleRecord& module : modules_) consider(module.library.get());
    return consulted;
}

void Interpreter::loadModule(const std::string& name) {
    for (const ModuleRecord& module : modules_) {
        if (module.name == name) {
            std::cout << "Module alreadly loaded.\n";
            return;
        }
    }
    ModuleHandle handle = openModule(name, searchPath_);
    if (!handle) {
        std::cout << "Cannot load module '" << name << "'\n";
        return;
    }
    LoadCommandLibraryFunction entry = handle.entryPoint();
    if (!entry) {
        std::cout << "Error " << kEntryPointMissingCode << "\n";
        handle.close();
        std::cout << "Cannot run command '" << kLoadCommandLibraryName << "'\n";
        return;
    }
    std::unique_ptr<CommandLibrary> library(entry());
    if (!library) {
        handle.close();
        std::cout << "'" << kLoadCommandLibraryName << "()' returned NULL.\n";
        return;
    }
    moduleHandles_.push_back(std::move(handle));
    modules_.push_back(ModuleRecord{std::move(library), name});
}

std::vector<std::string> Interpreter::moduleNames() const {
    std::vector<std::string> names;
    for (const ModuleRecord& module : modules_) names.push_back(module.name);
    return names;
}

}  // namespace tala::interp
