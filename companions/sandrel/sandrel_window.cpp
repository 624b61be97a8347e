// The backup program's window: the dated backups so far, "Back up now",
// "Restore" for the selected one, "Close". Results show in the status line;
// a failure also in a message box, saying where the program looked.
#include "companions/sandrel/sandrel.h"

#include <commctrl.h>

#include "companions/sandrel/sandrel_ids.h"

namespace sandrel {

namespace {

struct WindowState {
    std::string dir;
    std::string warning;  // shown in a box once the window is up
};

// Runs `work` once no other run is at work on the memos and a restore that
// was cut off is finished; the outcome of both, in one.
template <class Work>
Outcome Guarded(const std::string& dir, Work work) {
    RunLock lock;
    Outcome finished;
    bool hadCutOff = false;
    if (!StartWork(dir, kWindowWaitMs, lock, &finished, &hadCutOff)) return finished;
    Outcome outcome = work();
    if (hadCutOff) {
        outcome.message = finished.message + " " + outcome.message;
        if (outcome.code == kDone) outcome.code = finished.code;
    }
    return outcome;
}

void Fill(HWND dialog, const std::string& dir, const std::string& select) {
    HWND list = ::GetDlgItem(dialog, IDC_BACKUPS);
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : ListBackups(dir)) {
        const LRESULT index = ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (name == select) ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    ::EnableWindow(::GetDlgItem(dialog, IDC_RESTORE), ::SendMessageA(list, LB_GETCURSEL, 0, 0) != LB_ERR);
}

std::string Selected(HWND dialog) {
    HWND list = ::GetDlgItem(dialog, IDC_BACKUPS);
    const LRESULT index = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) return std::string();
    const LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0 || length > 64) return std::string();
    char text[72] = {};
    ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

void Show(HWND dialog, const std::string& mode, const Outcome& outcome, const std::string& dir) {
    AppendLog(dir, mode, outcome);
    ::SetDlgItemTextA(dialog, IDC_STATUS, outcome.message.c_str());
    if (outcome.code != kDone) ::MessageBoxA(dialog, outcome.message.c_str(), "Sandrel", MB_OK | MB_ICONWARNING);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<WindowState*>(::GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        state = reinterpret_cast<WindowState*>(lParam);
        const std::vector<std::string> backups = ListBackups(state->dir);
        Fill(dialog, state->dir, backups.empty() ? std::string() : backups.front());
        const std::string where = "Memos are in Remark and Notice, backups in Backup, all in " + state->dir + ".";
        ::SetDlgItemTextA(dialog, IDC_STATUS, where.c_str());
        // A restore cut off earlier is finished before anything else (when
        // another run is at work, that one finishes it).
        RunLock lock;
        Outcome finished;
        bool hadCutOff = false;
        if (StartWork(state->dir, kWindowWaitMs, lock, &finished, &hadCutOff) && hadCutOff) {
            ::SetDlgItemTextA(dialog, IDC_STATUS, finished.message.c_str());
            if (finished.code != kDone) {
                state->warning = finished.message;
                ::PostMessageA(dialog, WM_APP, 0, 0);
            }
        }
        return TRUE;
    }
    case WM_APP:  // finishing at the start went wrong: said once the window shows
        ::MessageBoxA(dialog, state->warning.c_str(), "Sandrel", MB_OK | MB_ICONWARNING);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BACKUP_NOW: {
            const Day today = Today();
            const Outcome outcome = Guarded(state->dir, [&] { return BackUp(state->dir, today); });
            Fill(dialog, state->dir, DayFolderName(today));
            Show(dialog, "window backup", outcome, state->dir);
            return TRUE;
        }
        case IDC_RESTORE: {
            const std::string name = Selected(dialog);
            if (name.empty()) return TRUE;
            Show(dialog, "window restore", Guarded(state->dir, [&] { return Restore(state->dir, name); }),
                 state->dir);
            return TRUE;
        }
        case IDC_BACKUPS:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                ::EnableWindow(::GetDlgItem(dialog, IDC_RESTORE), !Selected(dialog).empty());
            return TRUE;
        case IDCANCEL:
            ::EndDialog(dialog, kDone);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

int RunWindow(HINSTANCE instance, const std::string& dir) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    WindowState state{dir, std::string()};
    const INT_PTR result = ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SANDREL), nullptr, DialogProc,
                                             reinterpret_cast<LPARAM>(&state));
    return result < 0 ? 1 : static_cast<int>(result);
}

}  // namespace sandrel
