#include "app/vellumo_app.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "app/command_line.h"
#include "calendar/panel_messages.h"
#include "calendar/vellumo_dlg.h"
#include "menus/menu_look.h"
#include "tools/launchers.h"

CVellumoApp theApp;

BOOL CVellumoApp::InitInstance() {
    KeepWorkingDirectoryOutOfDllSearch();  // no plug-in is ever loaded from the working folder
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);

    AppState& state = AppState::Get();
    if (state.CreateInstanceMutex()) {
        // A copy runs already: hand over and end.
        HWND running = ::FindWindowA(nullptr, kPanelTitle);
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
    SelectMenuTheme(HasCompatibilityLayer() ? kMenuTheme2003NoBorder : kMenuTheme2003, true);
    state.InitDisplayLock();
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
    AppState& state = AppState::Get();
    state.CloseInstanceMutex();
    state.DeleteDisplayLock();
    return CWinApp::ExitInstance();
}
