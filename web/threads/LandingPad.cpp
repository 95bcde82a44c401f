// The landing pads' side of WebAssembly's exceptions, for the threaded page.
//
// The compiler's landing pads hand the thrown exception to _Unwind_CallPersonality and
// read the matched catch clause back from one context, __wasm_lpad_context. This
// emscripten's threaded unwinder keeps that context thread-local while its compiler
// reaches it as a plain global, so a pad and the personality function see two
// different contexts, no catch clause ever matches and every throw ends the program.
// Defining the unwinder's few functions here, with the context a plain global, keeps
// the library's copy out of the link (nothing else would pull it in).
//
// One context for every thread is sound here: the page runs program code on one
// thread at a time (see CommandThread.h), and a context lives only from a pad's call to
// the personality function to its reading of the selector, with no key poll between.

#include <unwind.h>

#include <cstdint>

extern "C" {

_Unwind_Reason_Code __gxx_personality_wasm0(int version, _Unwind_Action actions, std::uint64_t exceptionClass,
                                            _Unwind_Exception* exception, _Unwind_Context* context);

struct LandingPadContext {
    std::uintptr_t lpadIndex;  // set by the pad: its landing pad's index
    std::uintptr_t lsda;       // set by the pad: its function's exception table
    std::uintptr_t selector;   // set by the personality function: the catch clause matched
};

LandingPadContext __wasm_lpad_context;

_Unwind_Reason_Code _Unwind_CallPersonality(void* thrown) {
    auto* exception = static_cast<_Unwind_Exception*>(thrown);
    __wasm_lpad_context.selector = 0;
    // The engine unwinds: only the cleanup phase is the personality function's.
    return __gxx_personality_wasm0(1, _UA_CLEANUP_PHASE, exception->exception_class, exception,
                                   reinterpret_cast<_Unwind_Context*>(&__wasm_lpad_context));
}

_Unwind_Reason_Code _Unwind_RaiseException(_Unwind_Exception* exception) { __builtin_wasm_throw(0, exception); }

void _Unwind_DeleteException(_Unwind_Exception* exception) {
    if (exception->exception_cleanup) exception->exception_cleanup(_URC_FOREIGN_EXCEPTION_CAUGHT, exception);
}

// The personality function sets only the selector, as register 1.
void _Unwind_SetGR(_Unwind_Context* context, int index, _Unwind_Word value) {
    if (index == 1) reinterpret_cast<LandingPadContext*>(context)->selector = value;
}

// Read back as a 1-based index after taking 1 off.
_Unwind_Word _Unwind_GetIP(_Unwind_Context* context) {
    return reinterpret_cast<LandingPadContext*>(context)->lpadIndex + 2;
}

void _Unwind_SetIP(_Unwind_Context*, _Unwind_Word) {}

void* _Unwind_GetLanguageSpecificData(_Unwind_Context* context) {
    return reinterpret_cast<void*>(reinterpret_cast<LandingPadContext*>(context)->lsda);
}

_Unwind_Ptr _Unwind_GetRegionStart(_Unwind_Context*) { return 0; }

}  // extern "C"
