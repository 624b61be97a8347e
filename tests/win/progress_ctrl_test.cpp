// The activity strip: cells drawn into a memory DC, the highlight's pace and
// wrap, and stopping a worker that does not end.
#include <gtest/gtest.h>

#include <vector>

#include "controls/progress_ctrl.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/windows_and_processes.h"

namespace {

constexpr int kPlain = 0;

// The strip's client area as drawn through WM_PRINTCLIENT into a memory DC,
// compared cell by cell with the bitmap: for each cell 1..8, kPlain when it
// shows its own cell, the cell number when it shows the highlight, -1 else.
class StripReader {
public:
    StripReader() : screen_(nullptr) {
        bitmap_.Reset(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                        MAKEINTRESOURCEA(IDB_PROGRESS_CELLS),
                                                        IMAGE_BITMAP, 0, 0, 0)));
        source_.Reset(::CreateCompatibleDC(screen_.Get()));
        old_ = ::SelectObject(source_.Get(), bitmap_.Get());
    }
    ~StripReader() { ::SelectObject(source_.Get(), old_); }

    std::vector<int> Read(HWND strip) {
        MemoryDC target(screen_.Get());
        BitmapHandle canvas(::CreateCompatibleBitmap(screen_.Get(), 190, 20));
        target.SelectBitmap(canvas.Get());
        RECT all{0, 0, 190, 20};
        ::FillRect(target.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::SendMessageA(strip, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.Get()), PRF_CLIENT);
        std::vector<int> cells;
        for (int cell = 1; cell <= 8; ++cell) {
            const int x = 10 + 20 * (cell - 1);
            if (Same(target.Get(), x, x)) cells.push_back(kPlain);
            else if (Same(target.Get(), x, 170)) cells.push_back(cell);
            else cells.push_back(-1);
        }
        return cells;
    }

    // The plain and the highlighted cell must look different for the reads to mean anything.
    bool CellsDiffer() { return !Same(source_.Get(), 10, 170); }

private:
    bool Same(HDC drawn, int x, int sourceX) {
        for (int dy = 0; dy < 9; ++dy)
            for (int dx = 0; dx < 10; ++dx)
                if (::GetPixel(drawn, x + dx, 6 + dy) != ::GetPixel(source_.Get(), sourceX + dx, 6 + dy))
                    return false;
        return true;
    }

    WindowDC screen_;
    BitmapHandle bitmap_;
    DcHandle source_;
    HGDIOBJ old_ = nullptr;
};

const std::vector<int> kAllPlain(8, kPlain);

struct Strip {
    HWND parent = CreateTestParent(300, 120);
    HWND item = ::CreateWindowExA(0, "Static", "Static", WS_CHILD | WS_VISIBLE, 15, 30, 150, 18,
                                  parent, reinterpret_cast<HMENU>(IDC_PROGRESS),
                                  ::GetModuleHandleA(nullptr), nullptr);
    CProgress progress;
    Strip() {
        progress.SubclassWindow(item);
    }
    ~Strip() { ::DestroyWindow(parent); }
};

}  // namespace

TEST(Progress, LoadCellsFitsTheControlToTheBitmapWithoutMovingIt) {
    Strip strip;
    RECT before{};
    ::GetWindowRect(strip.item, &before);
    EXPECT_EQ(strip.progress.LoadCells(IDB_PROGRESS_CELLS), 1);
    RECT after{};
    ::GetWindowRect(strip.item, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, 190);
    EXPECT_EQ(after.bottom - after.top, 20);
}

TEST(Progress, PlainWhenIdleHighlightMovesEvery150MsAndWraps) {
    Strip strip;
    StripReader reader;
    ASSERT_TRUE(reader.CellsDiffer());
    ASSERT_EQ(strip.progress.LoadCells(IDB_PROGRESS_CELLS), 1);
    EXPECT_EQ(reader.Read(strip.item), kAllPlain);

    strip.progress.StartCycling();
    std::vector<int> order;
    std::vector<DWORD> times;
    int highlightedChecks = 0;
    const DWORD start = ::GetTickCount();
    // Until a full turn and a wrap were seen, highlighted in place many times.
    while ((order.size() < 10 || highlightedChecks <= 10) && ::GetTickCount() - start < 30000) {
        const int active = strip.progress.ActiveCell();
        if (order.empty() ? active != 0 : active != order.back()) {
            order.push_back(active);
            times.push_back(::GetTickCount());
        }
        if (active != 0) {
            const std::vector<int> cells = reader.Read(strip.item);
            if (strip.progress.ActiveCell() == active) {  // not moved while drawing
                std::vector<int> expected = kAllPlain;
                expected[active - 1] = active;
                EXPECT_EQ(cells, expected);
                ++highlightedChecks;
            }
        }
        PumpMessages();
        ::Sleep(5);
    }
    strip.progress.StopCycling();
    EXPECT_GT(highlightedChecks, 10);

    // 1, 2, ..., 8, 1, 2, ...: at least one full turn and a wrap.
    ASSERT_GE(order.size(), 10u);
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i % 8) + 1);
    // Paced by its timer, not spinning (how close to 150 ms is the
    // benchmark's business).
    const double pace = double(times.back() - times.front()) / double(times.size() - 1);
    EXPECT_GE(pace, 100.0);

    EXPECT_EQ(strip.progress.ActiveCell(), 0);
    EXPECT_FALSE(strip.progress.IsCycling());
    EXPECT_EQ(reader.Read(strip.item), kAllPlain);
}

namespace {
// Loads the cells, starts cycling and returns a handle of its own to the
// worker thread (none when any of it failed).
KernelHandle StartCyclingWorker(Strip& strip) {
    EXPECT_EQ(strip.progress.LoadCells(IDB_PROGRESS_CELLS), 1);
    strip.progress.StartCycling();
    HANDLE worker = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), strip.progress.WorkerThread(), ::GetCurrentProcess(),
                      &worker, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return KernelHandle(worker);
}
}  // namespace

TEST(Progress, StopReturnsWithinTwoSecondsWhenTheWorkerHangs) {
    Strip strip;
    const KernelHandle hung = StartCyclingWorker(strip);
    ASSERT_TRUE(hung);
    const HANDLE worker = hung.Get();
    // Suspend it in its loop, not while it starts up and holds the loader
    // lock, which every new thread needs.
    ASSERT_TRUE(PumpUntil([&] { return strip.progress.ActiveCell() != 0; }, 5000));
    ::SuspendThread(worker);
    const DWORD start = ::GetTickCount();
    strip.progress.StopCycling();
    const DWORD took = ::GetTickCount() - start;
    EXPECT_GE(took, 1900u);  // it waited for the worker before giving up on it
    EXPECT_EQ(strip.progress.ActiveCell(), 0);

    // The strip can start again while the old worker is still stuck...
    strip.progress.StartCycling();
    EXPECT_TRUE(PumpUntil([&] { return strip.progress.ActiveCell() != 0; }, 10000));
    strip.progress.StopCycling();
    // ...and the old one ends by itself once it runs again.
    ::ResumeThread(worker);
    EXPECT_EQ(::WaitForSingleObject(worker, 10000), WAIT_OBJECT_0);
}

TEST(Progress, DestroyingTheWindowStopsTheWorker) {
    Strip strip;
    const KernelHandle owned = StartCyclingWorker(strip);
    ASSERT_TRUE(owned);
    const HANDLE worker = owned.Get();
    ::DestroyWindow(strip.item);
    EXPECT_EQ(::WaitForSingleObject(worker, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(strip.progress.IsCycling());
}
