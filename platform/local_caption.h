// A window's caption kept by the object that draws it instead of in the
// window system's copy: setting it then costs no trip through the system.
// Once kept, WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH are answered from
// here; another process's GetWindowText, which reads the system's copy,
// sees the caption from before until the owner publishes it (Publish).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class LocalCaption {
public:
    // Starts keeping the caption, from `current` on (once; later calls keep
    // what is kept).
    void Keep(const std::string& current);
    void Drop() {  // back to the window system's copy
        m_text.reset();
        m_published.reset();
    }
    bool Kept() const { return m_text.has_value(); }
    const std::string& Text() const { return *m_text; }

    // WM_SETTEXT's work; false, leaving it to the window system, while
    // nothing is kept.
    bool OnSetText(const char* text);
    // WM_GETTEXT's answer (never past the reader's buffer of `size`) and
    // WM_GETTEXTLENGTH's; none while nothing is kept.
    std::optional<int> GetText(size_t size, char* buffer) const;
    std::optional<int> TextLength() const;

    // Hands the kept caption to the window system's copy of `wnd` when it
    // differs from what was handed last (one trip), through DefWindowProc
    // (never the control class, which would repaint), with the name-change
    // event that accessibility tools follow. False when there was nothing
    // to hand over.
    bool Publish(HWND wnd);

private:
    std::optional<std::string> m_text;
    std::optional<std::string> m_published;  // what the window system holds
};
