// CSpinButtonCtrl: an up-down control (msctls_updown32) bound to a dialog
// item. Thin: every call is one message to the control.
#pragma once

#include "platform/wnd.h"

class CSpinButtonCtrl : public CWnd {
public:
    // Lower and upper limit of the position; the arrows stay within them.
    void SetRange32(int lower, int upper) const;
    void GetRange32(int& lower, int& upper) const;
    // Sets the position (clamped to the range by the control); a buddy with
    // UDS_SETBUDDYINT shows it. Returns the previous position.
    int SetPos(int pos) const;
    // The position. With an integer buddy the control first reads the
    // buddy's text; `error` (optional) is set when that text was not a
    // number within the range.
    int GetPos(bool* error = nullptr) const;
    // Makes `buddy` the control's buddy window; returns the previous one.
    HWND SetBuddy(HWND buddy) const;
    HWND SetBuddy(const CWnd& buddy) const { return SetBuddy(buddy.GetSafeHwnd()); }
    HWND GetBuddy() const;
};
