// The owner of the one handle the tests hold that the program itself never
// does (a whole-window DC); the others are the program's own
// (platform/handles.h), tool-help snapshots held as files are.
#pragma once

#include <windows.h>

#include "platform/handles.h"

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
