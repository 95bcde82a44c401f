#pragma once
// What both script languages' evaluators share: the guard against runaway nesting, the
// bracket-depth check, the syntax-error reports and the reading of single-token
// literals. Each language keeps its own words, scopes and values; the pieces here take
// the language's rule or value type as a parameter.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tala::interp {

// ---- Nesting --------------------------------------------------------------------

// A language's nesting limit: how many evaluations may be open at once, and the
// failure text past it. `watchesStack` also refuses an evaluation once the nesting has
// used half the thread's stack (at most 4 MiB), for frames larger than the count allows.
struct NestingRule {
    int maxDepth;
    const char* tooDeep;
    bool watchesStack;
};

// One language's open evaluations on one thread, and where on the stack the outermost
// of them began.
//
// Each evaluator keeps this in a thread_local, not in the interpreter object: what the
// limit protects is the thread's stack, which every interpreter or variable table
// running on the thread shares. A member count starts again at 0 for a second
// interpreter or table reached from inside a command (a module's library running an
// interpreter of its own, an extension word evaluating on another table), letting
// each take the full allowance of the same stack; a thread-local count sees the
// nesting the way the stack does, and costs no more.
struct NestingDepth {
    int depth = 0;
    std::uintptr_t stackBase = 0;
};

// Counts one open evaluation for its lifetime; raises the rule's failure instead when
// the limit is reached. Inline: every evaluation of either language passes here.
class NestingGuard {
public:
    NestingGuard(NestingDepth& depth, const NestingRule& rule) : depth_(depth) {
        const char marker = 0;
        const auto here = reinterpret_cast<std::uintptr_t>(&marker);
        if (depth.depth == 0) depth.stackBase = here;
        else if (depth.depth >= rule.maxDepth || (rule.watchesStack && stackSpent(depth.stackBase, here)))
            refuse(rule);
        ++depth.depth;
    }
    ~NestingGuard() { --depth_.depth; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

private:
    static bool stackSpent(std::uintptr_t base, std::uintptr_t here);
    [[noreturn]] static void refuse(const NestingRule& rule);

    NestingDepth& depth_;
};

// Raises the rule's failure when the brackets of `text` nest deeper than its limit.
// Each bracket level costs one nested evaluation that first re-reads the rest of the
// text, so a text nested past the limit is refused before any of that work is done.
void checkBracketDepth(std::string_view text, const NestingRule& rule);

// ---- Reports --------------------------------------------------------------------

// "Syntax error '" (Plain) or "Syntax Error '" (Capital), the whole command text and
// the suffix, to standard output. The suffix closes the quote and ends the line.
enum class ReportForm { Plain, Capital };
void writeReport(ReportForm form, std::string_view commandText, std::string_view suffix);

// ---- Script files ---------------------------------------------------------------

// The whole text of a file. Nothing when the name holds a NUL byte or is not a readable
// regular file (a directory or a device would otherwise be read without end, a pipe
// would wait for a writer); then `reason`, when given, receives why. A file larger than
// the free memory budget is refused with the budget's failure, naming `what`, before it
// is read.
std::optional<std::string> readRegularFile(const std::string& path, const std::string& what,
                                           std::string* reason = nullptr);

// The text of a script file as one command, read as above: every line end becomes a blank.
std::optional<std::string> readScriptFile(const std::string& path, std::string* reason = nullptr);

// ---- Literals -------------------------------------------------------------------

// Both languages read the leading number of a text the same way on decimal input:
// white space skipped, an optional sign, digits and, for a double, a fraction and an
// exponent, up to the first character that does not fit. No number reads as 0, and
// integers saturate at the 32-bit range. They differ only in what else a double may be.

// The typed language: C's atoi and atof, so a double may also be a hex float, "inf" or "nan".
struct TypedNumbers {
    static std::int32_t integer(const std::string& text);
    static double real(const std::string& text);
};

// The object language: its own decimal-only reader; hex floats, "inf" and "nan" read as 0.
struct ObjectNumbers {
    static std::int32_t integer(std::string_view text);
    static double real(std::string_view text);
};

// What a single-token command is, alike in both languages: numeric when it starts with
// a digit, or with "-" or "." and has two characters or more; a numeric token is an
// integer without ".", a double with one and text with more. Anything else is a word.
enum class LiteralKind { Integer, Double, Text, Word };
inline LiteralKind literalKind(std::string_view token) {
    if (token.empty()) return LiteralKind::Word;
    const char first = token[0];
    const bool numeric = (first >= '0' && first <= '9') || ((first == '-' || first == '.') && token.size() >= 2);
    if (!numeric) return LiteralKind::Word;
    const auto dots = std::count(token.begin(), token.end(), '.');
    if (dots == 0) return LiteralKind::Integer;
    return dots == 1 ? LiteralKind::Double : LiteralKind::Text;
}

// Stores a single-token command into `into` by the language's number rule and answers
// true; answers false, storing nothing, for a word, which the typed language takes as
// its text and the object language first looks up as a variable name.
template <typename Numbers, typename Value>
bool readLiteral(const std::string& token, Value& into) {
    switch (literalKind(token)) {
        case LiteralKind::Integer: into.setInteger(Numbers::integer(token)); return true;
        case LiteralKind::Double: into.setDouble(Numbers::real(token)); return true;
        case LiteralKind::Text: into.setString(token); return true;
        case LiteralKind::Word: break;
    }
    return false;
}

}  // namespace tala::interp
