#pragma once
// What every handler of an object-language command sees of the command it runs, the
// Interpreter's own words and the command libraries' alike, with the typed argument
// readers they share.

#include <cstdint>
#include <string>

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

    int count() const { return tokens.count(); }
    // The raw text of token n, not evaluated.
    std::string arg(int n) const { return tokens.token(n); }

    // The readers evaluate argument n into a temporary (local copy, same global flag,
    // fresh on). valueArg answers the value itself, for words that look at its type or
    // name; the others read it and raise the getters' failures on another type.
    Object valueArg(int n) const;
    std::int32_t integerArg(int n) const;
    double doubleArg(int n) const;
    std::string stringArg(int n) const;
};

}  // namespace tala::interp
