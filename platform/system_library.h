// DLLs the program needs only now and then (WinHTTP for a subscribed
// calendar, the security support for the account's name): loaded on first
// use instead of at every start, from the system folder only, so a DLL of
// the same name beside the program or in the current folder is never taken.
#pragma once

#include <windows.h>

// The system folder's `name` ("winhttp.dll"), loaded and kept for the rest
// of the process; null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

// `name` exported by `module`, as the function pointer type of `target`;
// false (and `target` null) when the module or the export is missing.
template <class Function>
bool BindExport(HMODULE module, const char* name, Function*& target) {
    const FARPROC found = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
    // Through the generic function pointer type, which converts to any.
    target = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
    return found != nullptr;
}
