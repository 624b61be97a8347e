#include "tests/win/win_test_support.h"

#include <winternl.h>

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

int CountGdiObjects() {
    // The PEB's GdiSharedHandleTable, at its offset for each word size.
#if defined(_WIN64)
    constexpr size_t kTableOffset = 0xF8;
#else
    constexpr size_t kTableOffset = 0x94;
#endif
    constexpr size_t kEntrySize = 24, kTypeOffset = 14, kMaxEntries = 16384;
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
        return -1;
    const auto* peb = reinterpret_cast<const unsigned char*>(info.PebBaseAddress);
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + kTableOffset);
    if (!table) return -1;
    int live = 0;
    for (size_t i = 0; i < kMaxEntries; ++i)
        if (table[i * kEntrySize + kTypeOffset] != 0) ++live;
    return live;
}
