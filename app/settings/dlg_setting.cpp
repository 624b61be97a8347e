#include "app/settings/dlg_setting.h"

#include <algorithm>
#include <string>

#include "app/settings/settings_store.h"
#include "core/base/text_number.h"
#include "res/resource.h"

const char* const kAutoRunRefused =
    "Vellumo could not be set to start at log-on: the Task Scheduler refused the task.";
const char* const kAutoRunNotRemoved =
    "Vellumo still starts at log-on: the Task Scheduler did not remove its task.";

BEGIN_MESSAGE_MAP(CDlgSetting, CDialog)
    OnCommand(IDC_SETTING_SERVER, &ThisClass::OnServer),
END_MESSAGE_MAP()

void CDlgSetting::OnServer() {
    if (m_openServer) m_openServer(this);
}

CDlgSetting::CDlgSetting(CWnd* parent) : CDialog(IDD_SETTING, parent) {}

void CDlgSetting::DoDataExchange() { m_daysSpin.SubclassDlgItem(IDC_DAYS_SPIN, this); }

BOOL CDlgSetting::OnInitDialog() {
    CDialog::OnInitDialog();
    m_daysSpin.SetRange32(1, 7);

    const bool twelve = HourFormatFromStored(ReadSettingValue(kTimeFormatValue)) == 12;
    ::SendDlgItemMessageA(m_hWnd, IDC_FORMAT_12, BM_SETCHECK, twelve ? BST_CHECKED : BST_UNCHECKED, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_FORMAT_24, BM_SETCHECK, twelve ? BST_UNCHECKED : BST_CHECKED, 0);

    const int days = DaysFromStored(ReadSettingValue(kDaysValue));
    m_daysSpin.SetPos(days);  // keeps the arrows in step with the edit
    ::SetDlgItemInt(m_hWnd, IDC_DAYS, static_cast<UINT>(days), FALSE);

    ::SendDlgItemMessageA(m_hWnd, IDC_REMIND_MISSED, BM_SETCHECK,
                          RemindMissedFromStored(ReadSettingValue(kRemindMissedValue)) ? BST_CHECKED
                                                                                        : BST_UNCHECKED,
                          0);
    m_autoRunShown = IsAutoRunSet();
    ::SendDlgItemMessageA(m_hWnd, IDC_AUTORUN, BM_SETCHECK, m_autoRunShown ? BST_CHECKED : BST_UNCHECKED,
                          0);
    return TRUE;
}

void CDlgSetting::RefuseAutoRunChange(bool stillSet, const char* message) {
    ::SendDlgItemMessageA(m_hWnd, IDC_AUTORUN, BM_SETCHECK, stillSet ? BST_CHECKED : BST_UNCHECKED, 0);
    AppMessageBox(message, MB_OK | MB_ICONEXCLAMATION, m_hWnd);
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_AUTORUN));
}

void CDlgSetting::OnOK() {
    // Tried first, so that a failure leaves everything as it was and the
    // dialog open with the box as the start at log-on stands: the user sees
    // it did not happen.
    const bool autoRun =
        ::SendDlgItemMessageA(m_hWnd, IDC_AUTORUN, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (autoRun && !SetAutoRun()) {
        RefuseAutoRunChange(false, kAutoRunRefused);
        return;
    }
    // A removal that could not even ask the service is said only when the
    // box had shown the start as set: else nothing the user sees changes.
    if (!autoRun && !RemoveAutoRun() && (m_autoRunShown || IsAutoRunSetForAnyCopy())) {
        RefuseAutoRunChange(true, kAutoRunNotRemoved);
        return;
    }

    m_hourFormat =
        ::SendDlgItemMessageA(m_hWnd, IDC_FORMAT_24, BM_GETCHECK, 0, 0) == BST_CHECKED ? 24 : 12;
    WriteSettingValue(kTimeFormatValue, m_hourFormat);

    // Empty or non-numeric text reads as 0 and is stored as 1. A number too
    // large for 32 bits saturates, so it is stored as 7 like any other
    // number above 7 rather than wrapping round to a negative one.
    HWND edit = ::GetDlgItem(m_hWnd, IDC_DAYS);
    std::string typed(static_cast<size_t>(std::max(0, ::GetWindowTextLengthA(edit))) + 1, '\0');
    ::GetWindowTextA(edit, &typed[0], static_cast<int>(typed.size()));
    m_days = DaysToStore(ParseLeadingInt(typed.c_str(), typed.size()));
    WriteSettingValue(kDaysValue, m_days);

    // Read by the reminder thread at each pass: takes effect without a restart.
    WriteSettingValue(kRemindMissedValue,
                      ::SendDlgItemMessageA(m_hWnd, IDC_REMIND_MISSED, BM_GETCHECK, 0, 0) == BST_CHECKED
                          ? 1
                          : 0);

    CDialog::OnOK();
}
