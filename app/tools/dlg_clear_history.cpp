#include "app/tools/dlg_clear_history.h"

#include "app/settings/settings_store.h"
#include "res/resource.h"

namespace {
constexpr int kCheckBoxItems = 9;   // items 0..8 have a check box
constexpr int kPluginItems = 12;    // the plug-in knows items 0..11
constexpr DWORD kPausePerItemMs = 100;
constexpr DWORD kCancelPollMs = 10;

template <class Fn>
Fn LookUp(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Handles what is queued for `wnd` and its children (painting, the strip's
// repaints, the completion message).
void DispatchPending(HWND wnd) {
    MSG msg;
    while (::PeekMessageA(&msg, wnd, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {  // belongs to the enclosing loops
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}
}  // namespace

CleanOutcome RunHistoryPlugin() {
    ModuleHandle library(::LoadLibraryA("Scourwell.dll"));
    if (!library) return kCleanFailed;
    auto create = LookUp<CreateScourwellClassInstanceFn>(library.Get(), SCOURWELL_CREATE_EXPORT);
    if (!create) return kCleanFailed;
    IHistoryEraser* eraser = create();
    if (!eraser) return kCleanFailed;

    const CleanOptionBits& bits = SharedCleanOptionBits();
    for (int item = 0; item < kPluginItems; ++item) eraser->SelectItem(item, bits.test(item) ? 1 : 0);
    {
        CReportState reporter;
        eraser->Execute(&reporter);
    }
    // Without the destroy export the object is left alone: nobody else
    // knows how it was allocated.
    if (auto destroy =
            LookUp<DestroyScourwellClassInstanceFn>(library.Get(), SCOURWELL_DESTROY_EXPORT))
        destroy(eraser);
    return kCleanCompleted;
}

BEGIN_MESSAGE_MAP(CDlgClearHistory, CDialog)
    OnPrivateMessage<WM_CLEAN_FINISHED, &ThisClass::OnCleanFinished>(),
END_MESSAGE_MAP()

CDlgClearHistory::CDlgClearHistory() : CDialog(IDD_CLEAR_HISTORY) {}

CDlgClearHistory::~CDlgClearHistory() = default;

void CDlgClearHistory::DoDataExchange() { m_progress.SubclassDlgItem(IDC_PROGRESS, this); }

BOOL CDlgClearHistory::OnInitDialog() {
    CDialog::OnInitDialog();
    m_progress.LoadCells(IDB_PROGRESS_CELLS);
    const CleanOptionBits selection = ReadCleanOption();
    for (int item = 0; item < kCheckBoxItems; ++item) {
        ::SendDlgItemMessageA(m_hWnd, IDC_CLEAN_FIRST + item, BM_SETCHECK,
                              selection.test(item) ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ::SetDlgItemTextA(m_hWnd, IDC_STATUS, "");
    return TRUE;
}

bool CDlgClearHistory::IsCleaning() const {
    return m_worker && ::WaitForSingleObject(m_worker.Get(), 0) == WAIT_TIMEOUT;
}

void CDlgClearHistory::OnOK() {
    // Enter reaches here even while "Clear" is disabled; the worker reads the
    // shared bits, so they must not change under it.
    if (IsCleaning()) return;

    CleanOptionBits& bits = SharedCleanOptionBits();
    bits.reset();
    for (int item = 0; item < kCheckBoxItems; ++item) {
        if (::SendDlgItemMessageA(m_hWnd, IDC_CLEAN_FIRST + item, BM_GETCHECK, 0, 0) == BST_CHECKED)
            bits.set(item);
    }
    if (bits.none()) {
        AppMessageBox("Please select clear item.", MB_OK, m_hWnd);
        return;
    }

    HANDLE worker = ::CreateThread(nullptr, 0, &WorkerMain, m_hWnd, 0, nullptr);
    if (!worker) return;
    m_worker.Reset(worker);
    m_awaitingCompletion = true;

    HWND clear = GetDlgItem(IDOK);
    if (::GetFocus() == clear) SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDCANCEL)), TRUE);
    ::EnableWindow(clear, FALSE);
    ::SetDlgItemTextA(m_hWnd, IDC_STATUS, "");
    m_progress.StartCycling();
}

DWORD WINAPI CDlgClearHistory::WorkerMain(LPVOID dialogWindow) {
    const CleanOutcome outcome = RunHistoryPlugin();
    ::Sleep(kPausePerItemMs * static_cast<DWORD>(SharedCleanOptionBits().count()));
    ::PostMessageA(static_cast<HWND>(dialogWindow), WM_CLEAN_FINISHED, outcome, 0);
    return 1;
}

LRESULT CDlgClearHistory::OnCleanFinished(WPARAM outcome, LPARAM) {
    // The worker posts this as its last act. Its end is waited for before
    // "Clear" comes back, so a click or Enter right after "Completed !" never
    // finds it still running and is never taken for one during the clean.
    if (m_worker) ::WaitForSingleObject(m_worker.Get(), 5000);
    m_worker.Reset();
    m_awaitingCompletion = false;
    WriteCleanOption();
    m_progress.StopCycling();
    ::EnableWindow(GetDlgItem(IDOK), TRUE);
    ::SetDlgItemTextA(m_hWnd, IDC_STATUS, outcome == kCleanCompleted ? "Completed !" : "Failed !");
    if (m_quitPending) EndDialog(IDCANCEL);  // the quit that waited for the clean
    return 1;
}

bool CDlgClearHistory::KeepRunningOnQuit() {
    // The dialog must outlive the worker that calls the plug-in, and the
    // selection is stored only by the completion.
    if (!m_awaitingCompletion) return false;
    m_quitPending = true;
    return true;
}

void CDlgClearHistory::OnCancel() {
    if (m_worker) {
        // Keep the dialog painting while the plug-in finishes its work.
        while (::WaitForSingleObject(m_worker.Get(), kCancelPollMs) == WAIT_TIMEOUT)
            DispatchPending(m_hWnd);
        // The worker posted its completion before it ended: handle it now, so
        // the selection is stored and the strip stopped before the window goes.
        DispatchPending(m_hWnd);
    }
    CDialog::OnCancel();
}
