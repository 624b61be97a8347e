// The backup program's window: the backups so far, "Back up now", "Restore"
// for the selected one, "Close". Results show in the status line; a failure
// also in a message box, saying where the program looked. A restore found
// cut off is finished or dropped as its user chooses.
#include "companions/sandrel/sandrel.h"

#include <commctrl.h>

#include "companions/sandrel/sandrel_ids.h"

namespace sandrel {

namespace {

constexpr UINT kWarnMessage = WM_APP;      // a warning from the start, said once the window shows
constexpr UINT kAskMessage = WM_APP + 1;   // a cut-off restore found at the start: ask what to do

struct WindowState {
    std::string dir;
    std::string warning;  // shown in a box once the window is up
    std::string cutOff;   // the backup of a restore found cut off
};

// Runs `work` once no other run is at work on the memos, dealing with a
// restore that was cut off as `cutOff` says; the outcome of both, in one.
template <class Work>
Outcome Guarded(const std::string& dir, CutOff cutOff, Work work) {
    RunLock lock;
    Outcome found;
    if (!StartWork(dir, kWindowWaitMs, lock, cutOff, &found)) return found;
    Outcome outcome = work();
    const std::string note = cutOff == CutOff::kNote ? PendingCutOffNote(dir) : std::string();
    if (!note.empty()) outcome.message = note + " " + outcome.message;
    return WithCutOff(found, outcome);
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

// Logs `outcome` and shows it in the status line; in a box too when it
// failed, or `always`.
void Show(HWND dialog, const std::string& mode, const Outcome& outcome, const std::string& dir, bool always = false) {
    AppendLog(dir, mode, outcome);
    ::SetDlgItemTextA(dialog, IDC_STATUS, outcome.message.c_str());
    if (outcome.code != kDone || always)
        ::MessageBoxA(dialog, outcome.message.c_str(), "Sandrel",
                      MB_OK | (outcome.code != kDone ? MB_ICONWARNING : MB_ICONINFORMATION));
}

// Asks whether to finish the restore found cut off, then finishes or drops
// it (unless another run dealt with it meanwhile) and says what was done.
void AskAboutCutOff(HWND dialog, const WindowState& state) {
    const std::string question =
        "A restore of backup " + state.cutOff +
        " was cut off before it was done.\n\nFinish it now? Only files still as that restore left them are "
        "restored; memos changed since stay as they are.\n\nNo drops it: every memo stays as it is now.";
    const int answer = ::MessageBoxA(dialog, question.c_str(), "Sandrel", MB_YESNO | MB_ICONQUESTION);
    RunLock lock;
    Outcome found;
    if (!StartWork(state.dir, kWindowWaitMs, lock, CutOff::kNote, &found)) {
        Show(dialog, "window", found, state.dir);
        return;
    }
    std::string backup;
    if (FindCutOffRestore(state.dir, &backup) != CutOffState::kPending || backup != state.cutOff) return;
    Outcome outcome;
    if (answer == IDYES && FinishCutOffRestore(state.dir, &outcome))
        Show(dialog, "finish restore", outcome, state.dir, true);
    else if (answer != IDYES)
        Show(dialog, "drop restore", DropCutOffRestore(state.dir), state.dir, true);
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
        // A restore cut off earlier: its user is asked once the window
        // shows (when another run is at work, that one deals with it).
        RunLock lock;
        Outcome found;
        if (StartWork(state->dir, kWindowWaitMs, lock, CutOff::kNote, &found)) {
            if (!found.message.empty()) {  // an unreadable journal, removed
                ::SetDlgItemTextA(dialog, IDC_STATUS, found.message.c_str());
                state->warning = found.message;
                ::PostMessageA(dialog, kWarnMessage, 0, 0);
            }
            if (FindCutOffRestore(state->dir, &state->cutOff) == CutOffState::kPending)
                ::PostMessageA(dialog, kAskMessage, 0, 0);
        }
        return TRUE;
    }
    case kWarnMessage:
        ::MessageBoxA(dialog, state->warning.c_str(), "Sandrel", MB_OK | MB_ICONWARNING);
        return TRUE;
    case kAskMessage:
        AskAboutCutOff(dialog, *state);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BACKUP_NOW: {
            const Day today = Today();
            const Outcome outcome = Guarded(state->dir, CutOff::kNote, [&] { return BackUp(state->dir, today); });
            Fill(dialog, state->dir, DayFolderName(today));
            Show(dialog, "window backup", outcome, state->dir);
            return TRUE;
        }
        case IDC_RESTORE: {
            const std::string name = Selected(dialog);
            if (name.empty()) return TRUE;
            Show(dialog, "window restore",
                 Guarded(state->dir, CutOff::kFinish, [&] { return Restore(state->dir, name); }), state->dir);
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
    WindowState state{dir, std::string(), std::string()};
    const INT_PTR result = ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SANDREL), nullptr, DialogProc,
                                             reinterpret_cast<LPARAM>(&state));
    return result < 0 ? 1 : static_cast<int>(result);
}

}  // namespace sandrel
