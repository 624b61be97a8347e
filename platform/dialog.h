// CDialog: a dialog from a resource template, run modally by this layer's
// own message loop so PreTranslateMessage runs for every queued message.
#pragma once

#include "platform/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog, disables its owner, runs the loop until EndDialog
    // (or a posted WM_QUIT, which ends the run with -1 and is posted again so
    // enclosing loops end too; see KeepRunningOnQuit), then destroys the
    // window.
    virtual INT_PTR DoModal();
    void EndDialog(int result);
    bool IsRunning() const { return m_running; }

    virtual BOOL OnInitDialog();  // binds the controls through DoDataExchange
    virtual void OnOK();          // EndDialog(IDOK)
    virtual void OnCancel();      // EndDialog(IDCANCEL)

    DECLARE_MESSAGE_MAP()

protected:
    // Binds dialog items to member control objects (SubclassDlgItem).
    virtual void DoDataExchange() {}
    bool PreTranslateMessage(MSG* msg) override;
    // A WM_QUIT reached the run: true keeps the dialog running until its
    // own EndDialog (work under way must finish first); the quit is passed
    // on to the enclosing loops when the run ends.
    virtual bool KeepRunningOnQuit() { return false; }
    UINT TemplateId() const { return m_templateId; }
    void CenterWindow(HWND alternateOwner);

private:
    void OnOKCommand() { OnOK(); }
    void OnCancelCommand() { OnCancel(); }
    // Hands the change on to every control (all descendants).
    void OnSysColorChange();
    static INT_PTR CALLBACK StaticDlgProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    // Offers `msg` to the objects of the window it is for and of its parents.
    bool PreTranslateChain(MSG* msg);

    UINT m_templateId;
    CWnd* m_parent;
    bool m_running = false;
    INT_PTR m_result = -1;
};

