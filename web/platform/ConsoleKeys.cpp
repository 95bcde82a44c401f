// The console keys in the browser: the page's console feeds them (see ConsoleBridge.h).
// There is no terminal: nothing to put into single-key mode and no signal to catch.
// In the threaded page the main thread pushes the keys while the command thread reads
// them, so the typed keys are kept under a lock.

#include <emscripten.h>

#include <deque>
#include <iostream>
#include <mutex>
#include <utility>

#include "support/ConsoleKeys.h"
#include "web/ConsoleBridge.h"

namespace flock::web {

namespace {

std::mutex typedKeysLock;
std::deque<int> typedKeys;
std::function<void()> idleHook;
double idlePeriodMs = 15.0;
double lastIdle = 0;
bool inIdle = false;

// Lets the page draw and the browser deliver events; the typed keys may change.
void breathe() {
    if (!idleHook || inIdle) return;
    const double now = emscripten_get_now();
    if (now - lastIdle < idlePeriodMs) return;
    inIdle = true;
    std::cout.flush();
    idleHook();
    inIdle = false;
    lastIdle = emscripten_get_now();
}

}  // namespace

void pushConsoleKey(int key) {
    std::lock_guard<std::mutex> lock(typedKeysLock);
    // A runaway key repeat cannot fill the memory.
    if (typedKeys.size() < 256) typedKeys.push_back(key);
}

void setIdleHook(std::function<void()> hook, double periodMs) {
    idleHook = std::move(hook);
    idlePeriodMs = periodMs;
    lastIdle = emscripten_get_now();
}

}  // namespace flock::web

namespace support {

using flock::web::typedKeys;
using flock::web::typedKeysLock;

namespace {

void forgetTypedKeys() {
    std::lock_guard<std::mutex> lock(typedKeysLock);
    typedKeys.clear();
}

}  // namespace

bool keyWaiting() {
    flock::web::breathe();
    std::lock_guard<std::mutex> lock(typedKeysLock);
    return !typedKeys.empty();
}

int readKey() {
    std::lock_guard<std::mutex> lock(typedKeysLock);
    // Nothing typed: the end of input, as piped input ends (the console sends whole
    // lines, not keys, between commands).
    if (typedKeys.empty()) return -1;
    const int key = typedKeys.front();
    typedKeys.pop_front();
    return key;
}

int readKeyEcho() {
    const int c = readKey();
    if (c >= 0 && c != kInterruptKey) {
        std::cout.put(static_cast<char>(c));
        std::cout.flush();
    }
    return c;
}

void discardStoppingKeys() {
    forgetTypedKeys();
    std::cin.clear();
}

InterruptCatcher::InterruptCatcher() {
    (void)previous_;  // no signal to catch in the browser
    forgetTypedKeys();
}
InterruptCatcher::~InterruptCatcher() { forgetTypedKeys(); }

}  // namespace support
