#include "calendar/vellumo_dlg.h"

#include "app/app_state.h"
#include "app/command_line.h"
#include "calendar/panel_messages.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "tools/launchers.h"

BEGIN_MESSAGE_MAP(CVellumoDlg, CDialog)
    OnCommand(IDC_EXIT_MARK, &ThisClass::OnExit),
    OnCommand(ID_TRAY_EXIT, &ThisClass::OnExit),
    OnCommand(ID_TOOLS_EXIT, &ThisClass::OnExit),
    OnMessage(WM_BACKUP_NOW, &ThisClass::OnBackupNow),
    OnMessage(WM_SHOWWINDOW, &ThisClass::OnShowWindowRequest),
END_MESSAGE_MAP()

CVellumoDlg::CVellumoDlg() : CDialog(IDD_VELLUMO_DIALOG) {}

CVellumoDlg::~CVellumoDlg() = default;

BOOL CVellumoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(kPanelTitle);

    const char* commandLine = CWinApp::Current() ? CWinApp::Current()->m_lpCmdLine : "";
    const StartMode mode = FirstCopyStartMode(commandLine);
    if (mode == StartMode::BackupNow) RunBackupAuto();
    if (mode != StartMode::Shown) {
        // Hide once the dialog has been shown for the first time.
        PostMessage(WM_SHOWWINDOW, FALSE, kHideAfterFirstShow);
    }
    return TRUE;
}

void CVellumoDlg::OnOK() {}

void CVellumoDlg::OnCancel() { ShowWindow(SW_HIDE); }

void CVellumoDlg::OnExit() { EndDialog(IDCANCEL); }

LRESULT CVellumoDlg::OnBackupNow(WPARAM, LPARAM) {
    RunBackupAuto();
    return 1;
}

LRESULT CVellumoDlg::OnShowWindowRequest(WPARAM wp, LPARAM lp) {
    if (!wp && lp == kHideAfterFirstShow) {
        ShowWindow(SW_HIDE);
        return 0;
    }
    return Default();
}
