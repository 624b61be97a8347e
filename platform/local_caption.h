// A window's caption kept by the object that draws it instead of in the
// window system's copy: setting it then costs no trip through the system.
// Once kept, WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH are answered from
// here; another process's GetWindowText, which reads the system's copy,
// keeps seeing the caption from before.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class LocalCaption {
public:
    // Starts keeping the caption, from `current` on (once; later calls keep
    // what is kept).
    void Keep(const std::string& current);
    void Drop() { m_text.reset(); }  // back to the window system's copy
    bool Kept() const { return m_text.has_value(); }
    const std::string& Text() const { return *m_text; }

    // WM_SETTEXT's work; false, leaving it to the window system, while
    // nothing is kept.
    bool OnSetText(LPARAM lp);
    // Answers WM_GETTEXT (never past the reader's buffer) and
    // WM_GETTEXTLENGTH; false for any other message, or while nothing is kept.
    bool Answer(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) const;

private:
    std::optional<std::string> m_text;
};
