// Every text of the panel, the editor, the settings and the cleaner fits its
// control at 100, 125, 150 and 200 %: laid out with the control's own font
// as the control lays it out, its ink stays inside the control. A process
// reads the display scale once, when it starts, so each scale is checked by
// a copy of this test program started with that scale set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/memo/memo_store.h"
#include "app/memo/remark_dlg.h"
#include "app/panel/vellumo_dlg.h"
#include "app/settings/dlg_setting.h"
#include "app/tools/dlg_clear_history.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/in_process.h"
#include "tests/support/pictures.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"

namespace {

const char kScaleVariable[] = "VELLUMO_TEXT_FIT_DPI";
const char kDesktopKey[] = "Control Panel\\Desktop";

// How a control lays out its text, and in what width; false for controls
// whose text is not laid out in their rectangle (edits, pictures, others).
bool TextLayout(HWND control, UINT& format, int& width) {
    char cls[32] = {};
    ::GetClassNameA(control, cls, sizeof cls);
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    RECT client{};
    ::GetClientRect(control, &client);
    width = client.right;
    if (_stricmp(cls, "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        format = style & SS_NOPREFIX ? DT_NOPREFIX : 0;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            format |= DT_WORDBREAK;
            return true;
        }
        format |= DT_SINGLELINE;
        return type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE;
    }
    if (_stricmp(cls, "Button") != 0) return false;
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        // The box and the gap before the text.
        width -= ::GetSystemMetrics(SM_CXMENUCHECK) + ::GetSystemMetrics(SM_CXEDGE);
        format = DT_SINGLELINE;
        return true;
    case BS_GROUPBOX:
        width -= 2 * ::GetSystemMetrics(SM_CXEDGE);
        format = DT_SINGLELINE;
        return true;
    case BS_OWNERDRAW: {
        // The skinned buttons: their text wraps, beside their icon if any.
        ICONINFO info{};
        const auto icon = reinterpret_cast<HICON>(::SendMessageA(control, BM_GETIMAGE, IMAGE_ICON, 0));
        if (icon && ::GetIconInfo(icon, &info)) {
            const BitmapHandle mask(info.hbmMask), colour(info.hbmColor);  // copies made for us
            width -= static_cast<int>(info.xHotspot) * 2;
        }
        format = DT_WORDBREAK;
        return true;
    }
    default:
        format = DT_SINGLELINE;
        width -= 2 * ::GetSystemMetrics(SM_CXEDGE);
        return true;
    }
}

// The box around the ink of `text` laid out in `width` with `font`: of the
// glyphs only, as underline and strike-out lines run the whole advance.
RECT InkOf(const std::string& text, HFONT font, UINT format, int width) {
    LOGFONTA plain{};
    ::GetObjectA(font, sizeof plain, &plain);
    plain.lfUnderline = plain.lfStrikeOut = FALSE;
    const FontHandle glyphs(::CreateFontIndirectA(&plain));
    WindowDC screen(nullptr);
    MemoryDC dc(screen.Get());
    SelectGuard select(dc.Get(), glyphs.Get());
    RECT measured{0, 0, width, 0};
    ::DrawTextA(dc.Get(), text.c_str(), -1, &measured, format | DT_CALCRECT);
    // Room on every side for ink that reaches past the advance widths.
    const int margin = 8 + measured.bottom;
    const int w = std::max<int>(measured.right, width) + 2 * margin, h = measured.bottom + 2 * margin;
    BitmapHandle canvas(::CreateCompatibleBitmap(screen.Get(), w, h));
    dc.SelectBitmap(canvas.Get());
    const RECT all{0, 0, w, h};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(dc.Get(), RGB(0, 0, 0));
    ::SetBkMode(dc.Get(), TRANSPARENT);
    RECT place{margin, margin, margin + width, margin + measured.bottom};
    ::DrawTextA(dc.Get(), text.c_str(), -1, &place, format | DT_NOCLIP);
    const Pixels pixels = ReadPixels(dc.Get(), 0, 0, w, h);
    RECT ink{w, h, -1, -1};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (pixels.At(x, y) != RGB(255, 255, 255)) {
                ink.left = std::min<LONG>(ink.left, x - margin);
                ink.top = std::min<LONG>(ink.top, y - margin);
                ink.right = std::max<LONG>(ink.right, x - margin + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y - margin + 1);
            }
    return ink;
}

// Each shown control's text of `dialog` fits: the ink as wide as the room
// the control gives its text and as tall as the control. Not the day cells:
// their font is wider than a cell at every scale, as it was made, and their
// strokes are checked on the screen instead.
void ExpectTextsFit(HWND dialog, const char* name) {
    int checked = 0;
    // The dialog's own children (the panel's are all direct ones).
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        UINT format = 0;
        int width = 0;
        char text[256] = {};
        const int id = ::GetDlgCtrlID(control);
        if ((id >= IDC_DAY_FIRST && id <= IDC_DAY_LAST) || !::IsWindowVisible(control) ||
            !::GetWindowTextA(control, text, sizeof text) || !TextLayout(control, format, width))
            continue;
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
        if (!font) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
        RECT client{};
        ::GetClientRect(control, &client);
        const RECT ink = InkOf(text, font, format, width);
        ++checked;
        EXPECT_TRUE(ink.left >= 0 && ink.right <= width && ink.top >= 0 && ink.bottom <= client.bottom)
            << name << ": \"" << text << "\" (item " << id << ") needs "
            << ink.right - std::min<LONG>(ink.left, 0) << "x" << ink.bottom - std::min<LONG>(ink.top, 0)
            << " px, has " << width << "x" << client.bottom;
    }
    EXPECT_GT(checked, 2) << name;
}

template <class Dialog>
void RunAndCheck(Dialog& dialog, const char* name) {
    ModalScript script(30000);
    script.WaitShown([&] { return dialog.GetSafeHwnd(); })
        .Do([&] { ExpectTextsFit(dialog.GetSafeHwnd(), name); })
        .Do([&] { dialog.PostMessage(WM_COMMAND, IDCANCEL); });
    script.Run([&] { return dialog.DoModal(); });
}

// The checks themselves, in the copy started at one scale.
void CheckEveryDialog() {
    RunPanel([](CVellumoDlg& panel) { ExpectTextsFit(panel.GetSafeHwnd(), "panel"); });
    const ScratchDir scratch{"vellumo-text-fit", {"Remark", "Notice"}};
    Memos().InitMemoPaths(scratch.Path());
    CRemarkDlg editor;
    editor.m_nYear = 2026;
    editor.m_nMonth = 12;
    editor.m_nDay = 28;
    RunAndCheck(editor, "editor");
    SavedSettings settings;
    CDlgSetting setting;
    RunAndCheck(setting, "settings");
    CDlgClearHistory cleaner;
    RunAndCheck(cleaner, "cleaner");
}

// Runs this test in a copy of the program started at `dpi`; its output is
// shown here, and its exit code returned.
DWORD RunCopyAt(int dpi) {
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string output = FreshTempDir("vellumo-text-fit-out") + "\\output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    KernelHandle file(::CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = file.Get();
    std::string command = std::string("\"") + exe + "\" --gtest_filter=TextFit.*";
    ::SetEnvironmentVariableA(kScaleVariable, std::to_string(dpi).c_str());
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                          &start, &process);
    ::SetEnvironmentVariableA(kScaleVariable, nullptr);
    if (!started) return static_cast<DWORD>(-1);
    KernelHandle child(process.hProcess), thread(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(child.Get(), 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(child.Get(), &code);
    else ::TerminateProcess(child.Get(), 1);
    file.Reset();
    std::printf("---- at %d dpi ----\n%s", dpi, ReadFileText(output).c_str());
    return code;
}

}  // namespace

TEST(TextFit, EveryTextFitsItsControlAtEveryScale) {
    char copyDpi[8] = {};
    if (::GetEnvironmentVariableA(kScaleVariable, copyDpi, sizeof copyDpi)) {
        CheckEveryDialog();
        return;
    }
    SavedRegistryValue saved(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    for (const int dpi : {96, 120, 144, 192}) {
        const DWORD value = static_cast<DWORD>(dpi);
        ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &value, sizeof value),
                  ERROR_SUCCESS);
        EXPECT_EQ(RunCopyAt(dpi), 0u) << "at " << dpi << " dpi";
    }
}
