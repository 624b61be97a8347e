// The calendar panel: the program's main window, run as a modal dialog.
#pragma once

#include "framework/dialog.h"

class CVellumoDlg : public CDialog {
public:
    CVellumoDlg();
    ~CVellumoDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;      // Enter never closes the panel
    void OnCancel() override;  // Escape and the close command only hide it

    DECLARE_MESSAGE_MAP()

private:
    void OnExit();
    LRESULT OnBackupNow(WPARAM, LPARAM);
    LRESULT OnShowWindowRequest(WPARAM, LPARAM);
};
