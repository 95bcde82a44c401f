#include "interp/InterpreterHost.h"

#include <utility>

namespace tala::interp {

InterpreterHost::InterpreterHost(std::vector<std::unique_ptr<CommandLibrary>> libraries) {
    for (auto& library : libraries) addLibrary(std::move(library));
}

InterpreterHost::~InterpreterHost() {
    // The libraries first, then the interpreter (a member, destroyed after this body).
    libraries_.clear();
    for (auto& library : owned_) library.reset();
    owned_.clear();
}

void InterpreterHost::addLibrary(std::unique_ptr<CommandLibrary> library) {
    libraries_.push_back(library.get());
    owned_.push_back(std::move(library));
}

void InterpreterHost::runCommand(std::string_view text) {
    Object result;
    runCommand(text, result);
}

void InterpreterHost::runCommand(std::string_view text, Object& result) {
    interpreter_.execute(text, interpreter_.globals(), result, libraries_, false, true);
}

}  // namespace tala::interp
