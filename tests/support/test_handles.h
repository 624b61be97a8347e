// Owners for the handles the tests hold that the program itself never does:
// find-file searches, registry keys and tool-help snapshots.
#pragma once

#include <windows.h>

#include "platform/handles.h"

struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};
using FindHandle = UniqueHandle<FindTraits>;

// Tool-help snapshots report failure as INVALID_HANDLE_VALUE, as files do.
using SnapshotHandle = FileHandle;

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

// An open registry key, closed when it goes.
class RegKey : public UniqueHandle<RegKeyTraits> {
public:
    RegKey() = default;
    // Opens (`create`: creates when missing) root\path; check with Valid().
    RegKey(HKEY root, const char* path, REGSAM access, bool create = false) {
        HKEY key = nullptr;
        const LONG got = create ? ::RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr)
                                : ::RegOpenKeyExA(root, path, 0, access, &key);
        if (got == ERROR_SUCCESS) Reset(key);
    }
};

inline bool RegistryKeyExists(HKEY root, const char* path) {
    return RegKey(root, path, KEY_READ).Valid();
}

// GetWindowDC / ReleaseDC: the whole window, frame included.
class WholeWindowDC {
public:
    explicit WholeWindowDC(HWND wnd) : wnd_(wnd), dc_(::GetWindowDC(wnd)) {}
    ~WholeWindowDC() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    WholeWindowDC(const WholeWindowDC&) = delete;
    WholeWindowDC& operator=(const WholeWindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};
