// A module whose entry point declines to make a library.
#include "interp/CommandLibrary.h"
extern "C" tala::interp::CommandLibrary* LoadCommandLibrary() { return nullptr; }
