#include "qlang/Evaluate.h"

#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "interp/CommandTokenizer.h"
#include "linalg/Failure.h"
#include "qlang/WordCall.h"
#include "qlang/WordTable.h"

namespace qlang {

using tala::interp::CommandTokenizer;
using tala::interp::Variable;
using tala::interp::VariableList;
using tala::interp::VariableTable;

namespace {

// Every bracket level is one more recursion of evaluate; a few thousand levels of
// script nesting are far beyond what anyone writes, and the stack must survive them.
constexpr int kMaxNesting = 1000;
constexpr const char* kTooDeep = "Nesting deeper than 1000 levels";

thread_local int nestingDepth = 0;
thread_local std::uintptr_t stackBase = 0;

// Half the stack limit, at most 4 MiB: frames are larger in instrumented builds, so
// the depth count alone is not enough.
std::uintptr_t stackBudget() {
    static const std::uintptr_t budget = [] {
        std::uintptr_t limit = 8u << 20;
        rlimit rl{};
        if (getrlimit(RLIMIT_STACK, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY)
            limit = static_cast<std::uintptr_t>(rl.rlim_cur);
        return std::min<std::uintptr_t>(limit / 2, 4u << 20);
    }();
    return budget;
}

class NestingGuard {
public:
    NestingGuard() {
        char marker = 0;
        const auto here = reinterpret_cast<std::uintptr_t>(&marker);
        if (nestingDepth == 0) {
            stackBase = here;
        } else {
            const std::uintptr_t used = stackBase > here ? stackBase - here : here - stackBase;
            if (nestingDepth >= kMaxNesting || used > stackBudget()) throw tala::Failure(kTooDeep);
        }
        ++nestingDepth;
    }
    ~NestingGuard() { --nestingDepth; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

// Refuses a text whose brackets alone nest too deep before any work is done on it;
// otherwise each level would tokenize the whole remaining text first.
void checkBracketDepth(std::string_view text) {
    if (text.size() <= static_cast<size_t>(kMaxNesting)) return;
    int depth = 0;
    for (char c : text) {
        if (c == '(' && ++depth > kMaxNesting) throw tala::Failure(kTooDeep);
        if (c == ')' && depth > 0) --depth;
    }
}

// The C library's atoi, saturated at the 32-bit range instead of wrapping.
std::int32_t leadingInteger(const std::string& token) {
    long long number = std::strtoll(token.c_str(), nullptr, 10);
    number = std::clamp<long long>(number, INT32_MIN, INT32_MAX);
    return static_cast<std::int32_t>(number);
}

bool looksNumeric(const std::string& token) {
    const unsigned char first = static_cast<unsigned char>(token[0]);
    if (std::isdigit(first)) return true;
    return (first == '-' || first == '.') && token.size() >= 2;
}

// A single-token command: a number or a text; names are never looked up here.
void applyLiteral(const std::string& token, Variable& result) {
    if (token.empty() || !looksNumeric(token)) {
        result.setString(token);
        return;
    }
    const auto dots = std::count(token.begin(), token.end(), '.');
    if (dots == 0)
        result.setInteger(leadingInteger(token));
    else if (dots == 1)
        result.setDouble(std::atof(token.c_str()));
    else
        result.setString(token);
}

void runHandler(WordCall& call, const std::string& word) {
    for (const auto& handler : call.table.handlers) {
        if (handler->name() != word) continue;
        handler->execute(call.tokens, call.local, call.result, call.global, call.fresh, call.table);
        return;
    }
    call.report("'\n");
}

}  // namespace

void evaluate(VariableTable& table, std::string_view text, VariableList& scope, Variable& result, bool global,
              bool fresh) {
    NestingGuard guard;
    checkBracketDepth(text);
    CommandTokenizer tokens = CommandTokenizer::forScripts();
    tokens.setText(text);
    if (tokens.count() == 1) {
        applyLiteral(tokens.token(0), result);
        return;
    }
    // This evaluation's own scope: the caller's entries, borrowed. Whatever lands
    // here with this scope as target is released when the evaluation ends.
    VariableList local = tala::interp::borrowedCopy(scope);
    VariableList& target = global ? table.variables : (fresh ? local : scope);
    const std::string word = tokens.token(0);
    WordCall call{table, tokens.text(), tokens, scope, local, target, result, global, fresh};
    if (WordHandler handler = WordTable::builtins().find(word)) {
        handler(call);
        return;
    }
    runHandler(call, word);
}

}  // namespace qlang
