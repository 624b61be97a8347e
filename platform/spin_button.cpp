#include "platform/spin_button.h"

#include <commctrl.h>

void CSpinButtonCtrl::SetRange32(int lower, int upper) const {
    SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
}

void CSpinButtonCtrl::GetRange32(int& lower, int& upper) const {
    lower = upper = 0;
    SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
}

int CSpinButtonCtrl::SetPos(int pos) const {
    return static_cast<int>(SendMessage(UDM_SETPOS32, 0, static_cast<LPARAM>(pos)));
}

int CSpinButtonCtrl::GetPos(bool* error) const {
    BOOL failed = FALSE;
    const int pos = static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
    if (error) *error = failed != FALSE;
    return pos;
}

HWND CSpinButtonCtrl::SetBuddy(HWND buddy) const {
    return reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0));
}

HWND CSpinButtonCtrl::GetBuddy() const { return reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY)); }
