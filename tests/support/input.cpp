#include "tests/support/input.h"

#include "tests/support/windows_and_processes.h"

void TypeInto(HWND edit, const std::string& text) {
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : text) ::SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
}

void ClickScreenPoint(POINT p) {
    ::SetCursorPos(p.x, p.y);
    ::mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
    ::Sleep(30);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::Sleep(60);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ::Sleep(60);
}

bool ClickUntil(POINT p, const std::function<bool()>& done, DWORD waitMs, bool doubleClick) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        ClickScreenPoint(p);
        if (doubleClick) {
            ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
            ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        }
        if (WaitFor(done, waitMs)) return true;
    }
    return false;
}


void SendKey(WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &input, sizeof input);
}

void PressKey(WORD key, WORD modifier) {
    if (modifier) SendKey(modifier, true);
    SendKey(key, true);
    SendKey(key, false);
    if (modifier) SendKey(modifier, false);
}
