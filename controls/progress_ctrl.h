// CProgress: an activity strip of eight cells drawn from one bitmap; while
// cycling, a worker thread moves the highlight one cell on every 150 ms and
// the control repaints itself.
#pragma once

#include <windows.h>

#include <memory>

#include "core/artwork/artwork_scale.h"
#include "platform/handles.h"
#include "platform/wnd.h"

class CProgress : public CWnd {
public:
    CProgress();
    ~CProgress() override;

    // Loads the cells' bitmap (`bitmapId` at 100 %, the display scale's own
    // is taken) into a memory DC and sizes the control to the bitmap without
    // moving it. 1 on success; 0 leaves the control painting nothing.
    int LoadCells(UINT bitmapId);
    // Starts the worker (suspended, then resumed once stored). Does nothing
    // when it already runs or the thread cannot be made.
    void StartCycling();
    // Stops the worker, waiting for it at most 2 s, clears the highlight and
    // repaints. Returns in time even when the worker does not end.
    void StopCycling();

    bool IsCycling() const;
    int ActiveCell() const;  // 0 = none, 1..8
    // Draws the eight cells into `dc` (the control's own coordinates).
    void PaintCells(HDC dc) const;
    // The worker thread, for tests that make it hang.
    HANDLE WorkerThread() const { return m_worker.Get(); }

    DECLARE_MESSAGE_MAP()

private:
    // What the worker touches. Shared with it, so a worker that outlives the
    // control (it did not stop within 2 s) still reads valid memory.
    struct Shared;
    static unsigned __stdcall WorkerMain(void* arg);

    void OnPaint();
    BOOL OnPrintClient(HDC dc, UINT flags);
    void OnDestroy();
    void ReleaseCells();

    std::shared_ptr<Shared> m_shared;
    KernelHandle m_worker;
    BitmapDC m_cells;
    BITMAP m_info{};
    artwork::ProgressLayout m_layout = artwork::progress_layout(0);  // of m_cells
};
