#include "controls/progress_ctrl.h"

#include <process.h>

#include <atomic>

#include "core/controls/progress_cells.h"
#include "platform/display_scale.h"

struct CProgress::Shared {
    std::atomic<long> running{0};
    std::atomic<int> active{0};
    std::atomic<HWND> wnd{nullptr};
    KernelHandle wake{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

namespace {
constexpr DWORD kStepMs = 150;
constexpr DWORD kStopWaitMs = 2000;
}  // namespace

BEGIN_MESSAGE_MAP(CProgress, CWnd)
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_PRINTCLIENT, &ThisClass::OnPrintClient>(),
    OnMessage<WM_DESTROY, &ThisClass::OnDestroy>(),
END_MESSAGE_MAP()

CProgress::CProgress() : m_shared(std::make_shared<Shared>()) {}

CProgress::~CProgress() {
    StopCycling();
    ReleaseCells();
}

int CProgress::LoadCells(UINT bitmapId) {
    ReleaseCells();
    if (!m_hWnd) return 0;
    // Kept at its scale's size: the cells lie where that scale's layout says.
    BitmapHandle bitmap(LoadScaledBitmap(bitmapId, 0, false));
    if (!bitmap) return 0;
    BITMAP info{};
    if (!::GetObjectA(bitmap.Get(), sizeof info, &info)) return 0;
    {
        WindowDC screen(m_hWnd);
        if (!m_cells.Adopt(screen.Get(), bitmap.Release())) return 0;
    }
    m_info = info;
    m_layout = artwork::progress_layout(CurrentArtworkIndex());
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, info.bmWidth, info.bmHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 1;
}

void CProgress::ReleaseCells() {
    m_cells.Reset();
    m_info = BITMAP{};
}

void CProgress::StartCycling() {
    if (m_worker) return;
    m_shared->wnd = m_hWnd;
    ::ResetEvent(m_shared->wake.Get());
    // The worker holds its own reference to the shared state.
    auto* ref = new std::shared_ptr<Shared>(m_shared);
    unsigned id = 0;
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &WorkerMain, ref, CREATE_SUSPENDED, &id);
    if (!thread) {
        delete ref;
        return;
    }
    m_worker.Reset(reinterpret_cast<HANDLE>(thread));
    m_shared->running = 1;
    ::ResumeThread(m_worker.Get());
}

void CProgress::StopCycling() {
    m_shared->running = 0;
    ::SetEvent(m_shared->wake.Get());
    if (m_worker) {
        if (::WaitForSingleObject(m_worker.Get(), kStopWaitMs) == WAIT_TIMEOUT) {
            // A worker that does not end keeps only the shared state alive;
            // give it a fresh one so a later start cannot be disturbed by it.
            m_shared->wnd = nullptr;
            auto fresh = std::make_shared<Shared>();
            m_shared = std::move(fresh);
        }
        m_worker.Reset();
    }
    ::ResetEvent(m_shared->wake.Get());
    m_shared->active = 0;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CProgress::IsCycling() const { return m_shared->running != 0; }

int CProgress::ActiveCell() const { return m_shared->active; }

unsigned __stdcall CProgress::WorkerMain(void* arg) {
    std::unique_ptr<std::shared_ptr<Shared>> ref(static_cast<std::shared_ptr<Shared>*>(arg));
    Shared& shared = **ref;
    while (shared.running == 1) {
        ::WaitForSingleObject(shared.wake.Get(), kStepMs);
        if (shared.running != 1) break;
        shared.active = NextActiveCell(shared.active);
        if (HWND wnd = shared.wnd) ::InvalidateRect(wnd, nullptr, FALSE);
    }
    return 1;
}

void CProgress::PaintCells(HDC dc) const {
    if (!m_cells.Valid()) return;
    const bool running = IsCycling();
    const int active = ActiveCell();
    for (int cell = 1; cell <= kProgressCellCount; ++cell) {
        const ProgressCellBlit blit = ProgressCell(cell, running, active, m_layout);
        ::BitBlt(dc, blit.destX, blit.destY, m_layout.width, m_layout.height, m_cells.Get(),
                 blit.srcX, blit.srcY, SRCCOPY);
    }
}

void CProgress::OnPaint() {
    PaintDC dc(m_hWnd);
    PaintCells(dc.Get());
}

BOOL CProgress::OnPrintClient(HDC dc, UINT) {
    PaintCells(dc);
    return 0;
}

void CProgress::OnDestroy() {
    // The worker must not outlive the window it invalidates.
    StopCycling();
    m_shared->wnd = nullptr;
    ReleaseCells();
    Default();
}
