#include "interp/InterpreterCore.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <limits>
#include <memory>

#include "support/FileReplace.h"
#include "support/OutputFile.h"
#include "support/Reporting.h"
#include "support/Failure.h"
#include "linalg/MemoryBudget.h"
#include "support/ScriptOutput.h"

namespace tala::interp {

using support::Failure;
using support::holdsNulByte;
using support::kNulInFileName;
using support::noteProblem;
using support::openForReading;
using support::shownFileName;

namespace {

// Half the stack limit, at most 4 MiB: frames are larger in instrumented builds, so
// a depth count alone is not enough.
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

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t digitsFrom(std::string_view text, std::size_t i) {
    while (i < text.size() && isDigit(text[i])) ++i;
    return i;
}

std::size_t blanksFrom(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

// The end of the decimal number that starts at `i` (after its sign), or `i` itself
// when there are no digits.
std::size_t decimalEnd(std::string_view text, std::size_t i) {
    const std::size_t intEnd = digitsFrom(text, i);
    std::size_t end = intEnd;
    bool anyDigit = intEnd > i;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fracEnd = digitsFrom(text, end + 1);
        anyDigit = anyDigit || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!anyDigit) return i;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t e = end + 1;
        if (e < text.size() && (text[e] == '-' || text[e] == '+')) ++e;
        const std::size_t expEnd = digitsFrom(text, e);
        if (expEnd > e) end = expEnd;
    }
    return end;
}

std::int32_t saturated(long long value) {
    return static_cast<std::int32_t>(std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

bool NestingGuard::stackSpent(std::uintptr_t base, std::uintptr_t here) {
    const std::uintptr_t used = base > here ? base - here : here - base;
    return used > stackBudget();
}

void NestingGuard::refuse(const NestingRule& rule) { throw Failure(rule.tooDeep); }

void checkBracketDepth(std::string_view text, const NestingRule& rule) {
    // A text cannot open more brackets than it has characters.
    if (text.size() <= static_cast<std::size_t>(rule.maxDepth)) return;
    int depth = 0;
    for (char c : text) {
        if (c == '(' && ++depth > rule.maxDepth) throw Failure(rule.tooDeep);
        if (c == ')' && depth > 0) --depth;
    }
}

void writeReport(ReportForm form, std::string_view commandText, std::string_view suffix) {
    support::out() << (form == ReportForm::Plain ? "Syntax error '" : "Syntax Error '") << commandText << suffix;
    noteProblem();
}

std::int32_t TypedNumbers::integer(const std::string& text) { return saturated(std::strtoll(text.c_str(), nullptr, 10)); }

double TypedNumbers::real(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

std::int32_t ObjectNumbers::integer(std::string_view text) {
    std::size_t i = blanksFrom(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    constexpr long long limit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) value = std::min(limit, value * 10 + (text[i] - '0'));
    return saturated(negative ? -value : value);
}

double ObjectNumbers::real(std::string_view text) {
    const std::size_t start = blanksFrom(text);
    std::size_t i = start;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t end = decimalEnd(text, i);
    if (end == i) return 0.0;
    return std::strtod(std::string(text.substr(start, end - start)).c_str(), nullptr);
}

std::optional<std::string> readRegularFile(const std::string& path, const std::string& what, std::string* reason) {
    auto refuse = [&](std::string why) -> std::optional<std::string> {
        if (reason != nullptr) *reason = std::move(why);
        return std::nullopt;
    };
    if (holdsNulByte(path)) return refuse(kNulInFileName);
    // Opened without waiting, so that a pipe is refused instead of waited on.
    const int fd = openForReading(path);
    if (fd < 0) return refuse(std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0) return refuse(std::strerror(errno));
    if (S_ISDIR(status.st_mode)) return refuse(std::strerror(EISDIR));
    if (!S_ISREG(status.st_mode)) return refuse("not a regular file");

    linalg::requireMemory(status.st_size, what);
    std::string text;
    text.reserve(static_cast<std::size_t>(status.st_size));
    // Read in pieces; a file that grows while it is read is held to the budget too. The
    // piece is not cleared first: every agent of a flight reads its scripts at start-up.
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    const std::unique_ptr<char[]> piece(new char[kPiece]);  // default-initialised: not cleared
    for (;;) {
        const ssize_t got = ::read(fd, piece.get(), kPiece);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return refuse(std::strerror(errno));
        if (got == 0) break;
        const std::size_t size = text.size() + static_cast<std::size_t>(got);
        if (size > text.capacity()) linalg::requireMemory(static_cast<std::int64_t>(size), what);
        text.append(piece.get(), static_cast<std::size_t>(got));
    }
    return text;
}

std::optional<std::string> readScriptFile(const std::string& path, std::string* reason) {
    std::optional<std::string> text = readRegularFile(path, "the script file '" + shownFileName(path) + "'", reason);
    if (text)
        for (char& c : *text)
            if (c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace tala::interp
