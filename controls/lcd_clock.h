// CLcdClock: a liquid-crystal clock. It takes over a static item and draws
// the date, the time and an AM/PM indicator by copying glyphs from three
// bitmaps into the face bitmap, then stretching the face over the control.
// A worker thread of its own refreshes the digits once a second and asks the
// window to show them.
//
// The hour format, the morning flag and the digits the picture shows are
// shared between the worker and the user-interface thread; all of them are
// read and written only under the lock the owner hands the clock, and the
// worker stores the digits together with the indicator they belong to, so a
// paint never mixes one second's hour with another second's indicator.
#pragma once

#include <memory>

#include "core/artwork/artwork_scale.h"
#include "platform/handles.h"
#include "platform/wnd.h"

// The bitmap resources the clock draws from, at 100 % (LoadScaledBitmap finds
// the display scale's own). Tests pass an id that does not exist to see the
// clock fail to start.
struct ClockBitmapIds {
    UINT face;    // 151 x 72 face with the dashes and the colon
    UINT digits;  // ten large digits, 24 x 34 each
    UINT glyphs;  // ten small digits 12 x 17, then AM, PM, blank
};

class CLcdClock : public CWnd {
public:
    enum BeginResult { kRunning = 0, kBitmapMissing = 1, kThreadFailed = 2 };

    // `lock` guards what the worker shares with the window and must outlive
    // the worker, which a destructor that gave up waiting leaves running;
    // `hourFormat` 12 gives the 12-hour format, anything else 24.
    CLcdClock(const ClockBitmapIds& ids, CriticalSection& lock, int hourFormat);
    // Stops the worker (waits at most 1.5 s) and releases the drawing objects.
    ~CLcdClock() override;

    // Loads the bitmaps and starts the worker; see BeginResult. A second call
    // while the worker runs does nothing and returns kRunning. A clock that
    // did not start paints as the plain static it took over.
    int BeginClock();
    bool IsStarted() const { return m_thread.Valid(); }
    // Loads the bitmaps again at the current display scale (a started clock
    // only; one whose bitmaps fail keeps the old ones).
    void ReloadArtwork();
    DWORD WorkerThreadId() const { return m_threadId; }

    // 12 or 24 (anything else counts as 24). Shows at the next refresh, at
    // most a second later; the worker keeps running.
    void SetHourFormat(int format);
    int CurrentHourFormat() const;

    DECLARE_MESSAGE_MAP()

protected:
    void PreSubclassWindow() override;
    void PostNcDestroy() override;

private:
    struct Shared;  // what the worker touches; it holds its own reference

    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    BOOL OnPrintClient(HDC dc, UINT flags);
    LRESULT OnShowTick();
    void Draw(HDC target, const RECT& rect);
    void ReleaseBitmaps();
    static DWORD WINAPI WorkerMain(LPVOID arg);
    static DWORD Refresh(Shared& shared);

    ClockBitmapIds m_ids;
    std::shared_ptr<Shared> m_shared;
    KernelHandle m_thread;
    DWORD m_threadId = 0;

    // Each bitmap selected into a memory DC of its own for the paints.
    BitmapDC m_face;
    BitmapDC m_digits;
    BitmapDC m_glyphs;
    int m_faceWidth = 0;
    int m_faceHeight = 0;
    artwork::ClockLayout m_layout = artwork::clock_layout(0);  // of the loaded bitmaps
};
