// Owners for the handles the tests hold that the program itself never does
// (tool-help snapshots, whole-window DCs); the rest are the program's own
// (platform/handles.h).
#pragma once

#include <windows.h>

#include "platform/handles.h"

// Tool-help snapshots report failure as INVALID_HANDLE_VALUE, as files do.
using SnapshotHandle = FileHandle;

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
