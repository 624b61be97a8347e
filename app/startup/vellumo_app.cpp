#include "app/startup/vellumo_app.h"

#include <commctrl.h>

#include "app/instance/app_state.h"
#include "app/panel/vellumo_dlg.h"
#include "app/settings/settings_store.h"
#include "app/tools/launchers.h"
#include "controls/menus/menu_env.h"
#include "controls/menus/menu_look.h"
#include "core/app/command_line.h"
#include "platform/dialog.h"
#include "platform/private_messages.h"
#include "res/resource.h"

CVellumoApp theApp;

namespace {
// The running copy's panel. Its message boxes share its title, so the panel
// is the dialog with that title that holds the panel's own controls.
HWND FindRunningPanel() {
    for (HWND wnd = ::FindWindowExA(nullptr, nullptr, "#32770", kPanelTitle); wnd;
         wnd = ::FindWindowExA(nullptr, wnd, "#32770", kPanelTitle)) {
        if (::GetDlgItem(wnd, IDC_DAY_LAST) && ::GetDlgItem(wnd, IDC_EXIT_MARK)) return wnd;
    }
    return nullptr;
}

int AnswerLogOnTaskRequest(LogOnTaskRequest request) {
    switch (request) {
        case LogOnTaskRequest::On: return SetAutoRun() ? kLogOnTaskDone : kLogOnTaskFailed;
        case LogOnTaskRequest::Off: return RemoveAutoRun() ? kLogOnTaskDone : kLogOnTaskFailed;
        case LogOnTaskRequest::Query:
            return IsAutoRunSetForAnyCopy() ? kLogOnTaskDone : kLogOnTaskFailed;
        default: return kLogOnTaskInvalid;
    }
}
}  // namespace

BOOL CVellumoApp::InitInstance() {
    KeepWorkingDirectoryOutOfDllSearch();  // no plug-in is ever loaded from the working folder
    // A setup program's request: before the single-instance test, so that it
    // is answered while a copy runs, and with nothing shown.
    const LogOnTaskRequest request = LogOnTaskSwitch(m_lpCmdLine);
    if (request != LogOnTaskRequest::None) {
        m_exitCode = AnswerLogOnTaskRequest(request);
        return FALSE;
    }
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);

    AppState& state = AppState::Get();  // with it the display lock, before any window
    if (state.CreateInstanceMutex()) {
        // A copy runs already: hand over and end.
        HWND running = FindRunningPanel();
        if (running) {
            if (SecondCopyWantsBackup(m_lpCmdLine)) {
                ::PostMessageA(running, WM_BACKUP_NOW, 0, 0);
            } else {
                ::ShowWindow(running, SW_SHOW);
                ::SetForegroundWindow(running);
            }
        }
        state.CloseInstanceMutex();
        return FALSE;
    }

    state.SetStartDate(LocalDateNow());
    // The panel puts the menu-window hook in place once its controls exist:
    // the hook is asked about every window made after it, a trip through
    // the window system each.
    ChooseMenuTheme(HasCompatibilityLayer() ? kMenuTheme2003NoBorder : kMenuTheme2003, true);
    ::InitCommonControls();

    {
        CVellumoDlg panel;
        m_pMainWnd = &panel;
        panel.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CVellumoApp::ExitInstance() {
    AppState::Get().CloseInstanceMutex();
    return CWinApp::ExitInstance();
}
