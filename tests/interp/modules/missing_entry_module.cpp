// A shared object that is not a module: it exports no LoadCommandLibrary.
extern "C" int notTheEntryPoint() { return 42; }
