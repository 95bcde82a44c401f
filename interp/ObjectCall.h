#pragma once
// What every handler of an object-language command sees of the command it runs, the
// Interpreter's own words and the command libraries' alike, with the typed argument
// readers they share.

#include <cstdint>
#include <string>
#include <string_view>

#include "interp/CommandLibrary.h"
#include "interp/CommandTokenizer.h"
#include "interp/Object.h"

namespace tala::interp {

class Interpreter;

struct ObjectCall {
    Interpreter& interpreter;
    const CommandTokenizer& tokens;
    ObjectList& local;  // this command's local copy of the caller's scope
    Object& result;
    const LibraryList& libraries;
    bool global;
    std::string_view synopsis = {};  // the word's argument names, for the readers' notices

    int count() const { return tokens.count(); }
    // The raw text of token n, not evaluated.
    std::string arg(int n) const { return tokens.token(n); }

    // The readers evaluate argument n into a temporary (local copy, same global flag,
    // fresh on). valueArg answers the value itself, for words that look at its type or
    // name; the others read it and raise the getters' failures on another type, after
    // the notice of wrongType. The ...In forms read a value argument n already gave.
    Object valueArg(int n) const;
    std::int32_t integerArg(int n) const { return integerIn(valueArg(n), n); }
    double doubleArg(int n) const { return doubleIn(valueArg(n), n); }
    std::string stringArg(int n) const { return stringIn(valueArg(n), n); }
    std::int32_t integerIn(const Object& value, int n) const;
    double doubleIn(const Object& value, int n) const;
    std::string stringIn(const Object& value, int n) const;

    // "WORD: argument N NAME wants WANTED, got the string 'ten'" on standard error, and
    // "; " and `consequence` when given. It is counted as a problem of the run unless
    // `failureFollows`: the failure raised after it is.
    void wrongType(int n, std::string_view wanted, const Object& got, bool failureFollows = false,
                   std::string_view consequence = {}) const;
};

}  // namespace tala::interp

namespace tala::interp {

// What a value is, for notices: "the string 'ten'", "the integer 3", "a vex::QDM", "nothing".
std::string describeValue(const Object& value);
// The name synopsis gives argument n (1 is the first): "GENERATIONS"; the names of each
// form where the forms differ ("POINT/COUNT"); empty when it names none.
std::string argumentName(std::string_view synopsis, int n);

}  // namespace tala::interp
