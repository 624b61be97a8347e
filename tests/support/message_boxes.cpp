#include "tests/support/message_boxes.h"

#include <vector>

namespace {
bool IsVisibleDialog(HWND wnd) {
    char cls[32] = {};
    ::GetClassNameA(wnd, cls, sizeof cls);
    return std::string(cls) == "#32770" && ::IsWindowVisible(wnd);
}

std::string Caption(HWND wnd) {
    char title[256] = {};
    ::GetWindowTextA(wnd, title, sizeof title);
    return title;
}

BOOL CALLBACK CollectDialogs(HWND wnd, LPARAM lp) {
    if (IsVisibleDialog(wnd)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(wnd);
    return TRUE;
}

std::vector<HWND> ThreadDialogs() {
    std::vector<HWND> found;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectDialogs, reinterpret_cast<LPARAM>(&found));
    return found;
}
}  // namespace

HWND FindThreadDialog(const char* caption) {
    for (HWND wnd : ThreadDialogs())
        if (Caption(wnd) == caption) return wnd;
    return nullptr;
}

HWND FindDialog(const char* caption, bool owned) {
    for (HWND w = ::FindWindowExA(nullptr, nullptr, "#32770", caption); w;
         w = ::FindWindowExA(nullptr, w, "#32770", caption)) {
        if ((::GetWindow(w, GW_OWNER) != nullptr) == owned) return w;
    }
    return nullptr;
}

std::string MessageBoxText(HWND box) {
    char text[8192] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void AnswerBox(HWND box, int button) { ::PostMessageA(box, WM_COMMAND, button, 0); }

void PostClick(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void CloseThreadDialogs() {
    ::EndMenu();
    for (HWND wnd : ThreadDialogs()) ::PostMessageA(wnd, WM_COMMAND, IDCANCEL, 0);
}
