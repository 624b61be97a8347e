// A window shaped like the calendar panel (its dialog template) with a
// ticker over the ticker's place, coloured and lettered as the panel does it.
// Used to look at the ticker and to measure what it costs while idle.
//   TickerHost.exe            the panel's digest example
//   TickerHost.exe <file>     the text of <file> instead
#include <windows.h>

#include <cstdio>
#include <string>

#include "controls/ticker_ctrl.h"
#include "res/resource.h"

namespace {
INT_PTR CALLBACK HostProc(HWND wnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: return TRUE;
    case WM_CLOSE: ::DestroyWindow(wnd); return TRUE;
    case WM_DESTROY: ::PostQuitMessage(0); return TRUE;
    default: return FALSE;
    }
}

std::string ReadText(const char* path) {
    std::string text;
    if (FILE* f = std::fopen(path, "rb")) {
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, got);
        std::fclose(f);
    }
    return text;
}
}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdLine, int) {
    HWND panel = ::CreateDialogParamA(inst, MAKEINTRESOURCEA(IDD_VELLUMO_DIALOG), nullptr,
                                      &HostProc, 0);
    if (!panel) return 1;
    ::SetWindowTextA(panel, "Ticker host");

    RECT place{};
    HWND item = ::GetDlgItem(panel, IDC_TICKER_PLACE);
    ::GetWindowRect(item, &place);
    ::MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&place), 2);
    ::ShowWindow(item, SW_HIDE);

    // A week of memos, as the digest hands them over (line feeds, three
    // more at the end): long enough that the pauses are a small part.
    std::string text =
        "[2008-1-20] Team meeting at ten\n"
        "[2008-1-21] Call the plumber about the kitchen tap\n"
        "[2008-1-22] Dentist\n"
        "[2008-1-23] Send the quarterly figures to Anna before noon\n"
        "[2008-1-24] Pick up the parcel at the post office\n"
        "[2008-1-25] Birthday dinner, table for six at eight\n"
        "[2008-1-26] Library books due\n\n\n\n";
    if (cmdLine && *cmdLine) text = ReadText(cmdLine);

    CTickerCtrl ticker;
    ticker.SetBackColour(RGB(204, 204, 255));
    ticker.SetTextColour(RGB(0, 115, 255));
    ticker.SetTickerFont("Microsoft Sans Serif", 8);
    ticker.SetTickerText(text);
    if (!ticker.CreateTicker(place, panel)) return 2;

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageA(panel, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
