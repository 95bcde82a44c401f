// A working module: the word "greet" and the value type "test::counter". Its library and its values announce
// their release, so tests can see the order of teardown.
#include <iostream>
#include <memory>
#include <string>
#include "interp/CommandLibrary.h"
#include "interp/Interpreter.h"
using namespace tala::interp;
namespace {
class Counter : public UserObject {
public:
    Counter() : UserObject("test::Counter") {}
    ~Counter() override { std::cout << "counter released\n"; }
    void print(std::ostream& out) const override { out << "Counter(" << count << ")"; }
    void copy(const UserObject& source) override { count = static_cast<const Counter&>(source).count; }
    int count = 0;
};
class GreetingLibrary : public CommandLibrary {
public:
    ~GreetingLibrary() override { std::cout << "greeting library released\n"; }
    bool execute(const CommandTokenizer& tokens, ObjectList& scope, Object& result, Interpreter& interpreter,
                 const LibraryList& libraries, bool global) override {
        if (tokens.token(0) != "greet") return false;
        Object who;
        interpreter.execute(tokens.token(1), scope, who, libraries, global, true);
        result.setString("hello " + who.getString());
        return true;
    }
    bool createType(const std::string& typeName, const std::string& variableName, ObjectList& scope) override {
        if (typeName != "test::counter") return false;
        scope.append(Object(variableName, std::make_unique<Counter>()));
        return true;
    }
    std::int32_t interfaceLevel() override { return 1; }
};
}  // namespace
extern "C" CommandLibrary* LoadCommandLibrary() { return new GreetingLibrary; }
