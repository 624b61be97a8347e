// The history cleaner: nine check boxes, a progress strip and a worker
// thread that hands the selection to the plug-in "Scourwell.dll".
#pragma once

#include <windows.h>

#include "controls/progress_ctrl.h"
#include "core/tools/history_eraser.h"
#include "platform/dialog.h"
#include "platform/handles.h"
#include "platform/private_messages.h"

// The progress callback Vellumo hands to the plug-in: answers every report
// with true. One lives on the worker's stack for the duration of Execute.
class CReportState final : public IReportState {
public:
    CReportState() = default;
    ~CReportState() = default;
    // Destructor-shaped slot: the object is owned by Vellumo and holds
    // nothing, so there is nothing to destroy or free here.
    void* SCOURWELL_THISCALL DestructorSlot(unsigned int) override { return this; }
    bool SCOURWELL_THISCALL Report(int, int) override { return true; }
};

// WM_CLEAN_FINISHED (platform/private_messages.h) is posted by the worker to
// the dialog when the clean has ended. wParam is a CleanOutcome; the original
// form with both parameters 0 means completed.
enum CleanOutcome : WPARAM {
    kCleanCompleted = 0,  // the plug-in was loaded and ran
    kCleanFailed = 1,     // no plug-in, no factory, or the factory made nothing
};

// Loads the plug-in, passes it items 0..11 from SharedCleanOptionBits(), runs
// it and releases it, all on the calling thread.
CleanOutcome RunHistoryPlugin();

class CDlgClearHistory : public CDialog {
public:
    CDlgClearHistory();
    ~CDlgClearHistory() override;

    BOOL OnInitDialog() override;
    void OnOK() override;      // "Clear" (also Enter)
    void OnCancel() override;  // "Cancel", Esc, the close box: waits for a running clean

    CProgress& Progress() { return m_progress; }
    bool IsCleaning() const;

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange() override;
    // A quit during a clean waits, as "Cancel" does, for the completion.
    bool KeepRunningOnQuit() override;

private:
    static DWORD WINAPI WorkerMain(LPVOID dialogWindow);
    LRESULT OnCleanFinished(WPARAM outcome, LPARAM);

    CProgress m_progress;
    KernelHandle m_worker;
    bool m_awaitingCompletion = false;  // a worker runs or its completion is queued
    bool m_quitPending = false;         // a quit waits for that completion
};
