// A window shaped like the calendar panel (its dialog template) with a
// ticker over the ticker's place, coloured and lettered as the panel does it.
// Used to look at the ticker and to measure what it costs while idle.
//   TickerHost.exe            the panel's digest example
//   TickerHost.exe <file>     the text of <file> instead
// The benchmark's floors (scripts/bench.sh), none doing any of the program's
// own work:
//   TickerHost.exe /empty     an empty dialog of the panel's size
//   TickerHost.exe /template  the panel's template with its controls
//   TickerHost.exe /blit      the template, blitting a strip of the ticker's
//                             size at 12.5 Hz and the clock's at 1 Hz
//   TickerHost.exe /duty      the empty dialog carrying what any program of
//                             the panel's duties carries: two more threads
//                             (waiting), four fonts drawn with, the common
//                             controls and a tray icon
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "controls/ticker_ctrl.h"
#include "platform/handles.h"
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

constexpr UINT_PTR kStripTimer = 1;
constexpr UINT_PTR kClockTimer = 2;

// Copies a stored strip onto the item's place, as the ticker and the clock
// put their finished frames on the screen.
void BlitOver(HWND panel, int item, HDC source) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(panel, item), &r);
    ::MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
    WindowDC dc(panel);
    ::BitBlt(dc.Get(), r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY);
}

HDC g_strip = nullptr;  // a memory DC holding a bitmap as large as the panel

INT_PTR CALLBACK BlitProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return HostProc(wnd, msg, wp, lp);
    BlitOver(wnd, wp == kStripTimer ? IDC_TICKER_PLACE : IDC_CLOCK, g_strip);
    return TRUE;
}

// The panel's template with its controls removed (the item count is the
// WORD at byte 16 of an extended template, at byte 8 of a plain one).
std::vector<char> EmptyTemplate(HINSTANCE inst) {
    HRSRC found = ::FindResourceA(inst, MAKEINTRESOURCEA(IDD_VELLUMO_DIALOG), MAKEINTRESOURCEA(5));
    std::vector<char> bytes;
    if (!found) return bytes;
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(inst, found)));
    const DWORD size = ::SizeofResource(inst, found);
    if (!data || size < 26) return bytes;
    bytes.assign(data, data + size);
    const bool extended = bytes[2] == '\xff' && bytes[3] == '\xff';
    const size_t count = extended ? 16 : 8;
    bytes[count] = bytes[count + 1] = 0;
    return bytes;
}

int RunLoop(HWND panel) {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageA(panel, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}

DWORD WINAPI Waiting(void*) {
    ::Sleep(INFINITE);
    return 0;
}

// The duties of /duty, on the empty dialog.
void TakeDuties(HWND panel) {
    for (int i = 0; i < 2; ++i) ::CloseHandle(::CreateThread(nullptr, 0, &Waiting, nullptr, 0, nullptr));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    WindowDC dc(panel);
    const struct { const char* face; int height, weight; } fonts[] = {
        {"Times New Roman", -21, FW_BOLD}, {"Verdana", -13, FW_NORMAL},
        {"Microsoft Sans Serif", -11, FW_NORMAL}, {"Arial", -12, FW_NORMAL}};
    for (const auto& f : fonts) {
        // Kept, as a program keeps the fonts it draws with.
        const HFONT font = ::CreateFontA(f.height, 0, 0, 0, f.weight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0,
                                         0, 0, 0, f.face);
        const HGDIOBJ old = ::SelectObject(dc.Get(), font);
        ::TextOutA(dc.Get(), 0, 0, "2026 Dec 31", 11);
        ::SelectObject(dc.Get(), old);
    }
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = panel;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    std::strcpy(icon.szTip, "Bench floor");
    ::Shell_NotifyIconA(NIM_ADD, &icon);
}

// One of the benchmark's floors; -1 when `mode` names none.
int RunFloor(HINSTANCE inst, const char* mode) {
    HWND panel = nullptr;
    if (std::strcmp(mode, "/empty") == 0 || std::strcmp(mode, "/duty") == 0) {
        std::vector<char> bytes = EmptyTemplate(inst);
        if (bytes.empty()) return 1;
        panel = ::CreateDialogIndirectParamA(
            inst, reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), nullptr, &HostProc, 0);
        if (panel && mode[1] == 'd') TakeDuties(panel);
    } else if (std::strcmp(mode, "/template") == 0 || std::strcmp(mode, "/blit") == 0) {
        const bool blit = mode[1] == 'b';
        panel = ::CreateDialogParamA(inst, MAKEINTRESOURCEA(IDD_VELLUMO_DIALOG), nullptr,
                                     blit ? &BlitProc : &HostProc, 0);
        if (panel && blit) {
            RECT client{};
            ::GetClientRect(panel, &client);
            WindowDC screen(panel);
            // The bitmap first, so that it goes after the DC has let it go.
            static BitmapHandle bitmap(
                ::CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
            static MemoryDC strip(screen.Get());
            strip.SelectBitmap(bitmap.Get());
            g_strip = strip.Get();
            ::PatBlt(g_strip, 0, 0, client.right, client.bottom, WHITENESS);
            ::SetTimer(panel, kStripTimer, 80, nullptr);
            ::SetTimer(panel, kClockTimer, 1000, nullptr);
        }
    } else {
        return -1;
    }
    if (!panel) return 1;
    ::SetWindowTextA(panel, "Bench floor");
    ::ShowWindow(panel, SW_SHOW);
    return RunLoop(panel);  // a floor ends by being killed
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
    if (cmdLine && cmdLine[0] == '/') {
        const int floor = RunFloor(inst, cmdLine);
        if (floor >= 0) return floor;
    }
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

    return RunLoop(panel);
}
