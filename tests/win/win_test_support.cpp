#include "tests/win/win_test_support.h"

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        PumpMessages();
        ::Sleep(5);
    }
    return true;
}

namespace {
LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

HWND CreateTestParent(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PlainProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "VellumoTestParent";
        ::RegisterClassA(&wc);
        registered = true;
    }
    HWND wnd = ::CreateWindowExA(0, "VellumoTestParent", "test parent",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, width, height, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
    PumpMessages();
    return wnd;
}

COLORREF PixelOfWindow(HWND wnd, int x, int y) {
    ::UpdateWindow(wnd);
    PumpMessages();
    HDC dc = ::GetDC(wnd);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(wnd, dc);
    return c;
}
