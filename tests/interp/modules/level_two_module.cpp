// A module of a newer interface level: it claims every word and every type, and the
// interpreter must never ask it.

#include <iostream>
#include <memory>
#include <string>

#include "interp/CommandLibrary.h"

using namespace tala::interp;

namespace {

class LevelTwoLibrary : public CommandLibrary {
public:
    bool execute(const CommandTokenizer&, ObjectList&, Object& result, Interpreter&,
                 const LibraryList&, bool) override {
        result.setString("level two answered");
        return true;
    }
    bool createType(const std::string&, const std::string&, ObjectList&) override {
        std::cout << "level two asked for a type\n";
        return true;
    }
    std::int32_t interfaceLevel() override { return 2; }
};

}  // namespace

extern "C" CommandLibrary* LoadCommandLibrary() { return new LevelTwoLibrary; }
