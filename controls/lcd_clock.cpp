#include "controls/lcd_clock.h"

#include <atomic>

#include "core/controls/clock_digits.h"
#include "platform/display_scale.h"
#include "platform/local_time.h"
#include "platform/private_messages.h"

struct CLcdClock::Shared {
    explicit Shared(CriticalSection& lock) : lock(lock) {}
    CriticalSection& lock;             // the owner's; outlives the worker
    std::atomic<LONG> running{0};
    KernelHandle wake;                 // set to stop the worker at once
    std::atomic<HWND> target{nullptr}; // the window to invalidate, or null
    // Under the display lock:
    int hourFormat = 24;
    int morning = 1;
    ClockDigits shown;
};

namespace {

// The bitmaps of the current display scale; glyph cells and their places on
// the face come from that scale's clock_layout.
HBITMAP LoadSection(UINT id) { return LoadScaledBitmap(id, LR_CREATEDIBSECTION, false); }

int IndicatorX(const artwork::ClockLayout& layout, ClockIndicator indicator) {
    switch (indicator) {
        case ClockIndicator::Am: return layout.am_x;
        case ClockIndicator::Pm: return layout.pm_x;
        case ClockIndicator::Blank: break;
    }
    return layout.blank_x;
}

int Digit(std::uint8_t value) { return value > 9 ? 9 : value; }

}  // namespace

BEGIN_MESSAGE_MAP(CLcdClock, CWnd)
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBkgnd>(),
    OnMessage<WM_PRINTCLIENT, &ThisClass::OnPrintClient>(),
    OnPrivateMessage<WM_CLOCK_SHOW_TICK, &ThisClass::OnShowTick>(),
END_MESSAGE_MAP()

CLcdClock::CLcdClock(const ClockBitmapIds& ids, CriticalSection& lock, int hourFormat)
    : m_ids(ids), m_shared(std::make_shared<Shared>(lock)) {
    m_shared->hourFormat = hourFormat == 12 ? 12 : 24;
}

CLcdClock::~CLcdClock() {
    m_shared->target = nullptr;
    if (m_thread.Valid()) {
        m_shared->running = 0;
        ::SetEvent(m_shared->wake.Get());
        // The worker keeps its own reference to what it touches, so even a
        // worker that has not ended by now never reaches into this object.
        ::WaitForSingleObject(m_thread.Get(), 1500);
    }
    ReleaseBitmaps();
}

void CLcdClock::PreSubclassWindow() {
    if (m_thread.Valid()) m_shared->target = m_hWnd;
}

void CLcdClock::PostNcDestroy() { m_shared->target = nullptr; }

void CLcdClock::ReleaseBitmaps() {
    m_face.Reset();
    m_digits.Reset();
    m_glyphs.Reset();
    m_faceWidth = m_faceHeight = 0;
}

int CLcdClock::BeginClock() {
    if (m_thread.Valid()) return kRunning;

    ReleaseBitmaps();
    m_glyphs.Adopt(nullptr, LoadSection(m_ids.glyphs));
    m_digits.Adopt(nullptr, LoadSection(m_ids.digits));
    m_face.Adopt(nullptr, LoadSection(m_ids.face));
    m_layout = artwork::clock_layout(CurrentArtworkIndex());
    if (!m_glyphs.Valid() || !m_digits.Valid() || !m_face.Valid()) {
        ReleaseBitmaps();
        return kBitmapMissing;
    }
    BITMAP info{};
    ::GetObjectA(m_face.Bitmap(), sizeof info, &info);
    m_faceWidth = info.bmWidth;
    m_faceHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;

    m_shared->wake.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_shared->running = 1;
    Refresh(*m_shared);  // the first paint already shows the time
    auto* ref = new std::shared_ptr<Shared>(m_shared);
    DWORD id = 0;
    HANDLE thread = m_shared->wake.Valid()
                        ? ::CreateThread(nullptr, 0, &WorkerMain, ref, 0, &id)
                        : nullptr;
    if (!thread) {
        delete ref;
        m_shared->running = 0;
        ReleaseBitmaps();
        return kThreadFailed;
    }
    m_thread.Reset(thread);
    m_threadId = id;
    m_shared->target = m_hWnd;
    if (m_hWnd) Invalidate();
    return kRunning;
}

void CLcdClock::ReloadArtwork() {
    if (!IsStarted()) return;
    BitmapHandle glyphs(LoadSection(m_ids.glyphs));
    BitmapHandle digits(LoadSection(m_ids.digits));
    BitmapHandle face(LoadSection(m_ids.face));
    BITMAP info{};
    if (!glyphs || !digits || !face || !::GetObjectA(face.Get(), sizeof info, &info)) return;
    // Only this thread draws.
    m_glyphs.Adopt(nullptr, glyphs.Release());
    m_digits.Adopt(nullptr, digits.Release());
    m_face.Adopt(nullptr, face.Release());
    m_faceWidth = info.bmWidth;
    m_faceHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    m_layout = artwork::clock_layout(CurrentArtworkIndex());
    if (m_hWnd) Invalidate();
}

void CLcdClock::SetHourFormat(int format) {
    LockGuard<CriticalSection> lock(m_shared->lock);
    m_shared->hourFormat = format == 12 ? 12 : 24;
}

int CLcdClock::CurrentHourFormat() const {
    LockGuard<CriticalSection> lock(m_shared->lock);
    return m_shared->hourFormat;
}

DWORD WINAPI CLcdClock::WorkerMain(LPVOID arg) {
    std::shared_ptr<Shared> shared = std::move(*static_cast<std::shared_ptr<Shared>*>(arg));
    delete static_cast<std::shared_ptr<Shared>*>(arg);
    while (shared->running == 1) {
        const DWORD wait = Refresh(*shared);
        if (::WaitForSingleObject(shared->wake.Get(), wait) == WAIT_OBJECT_0) break;
    }
    return 0;
}

// Computes the digits for the local time and asks for a repaint. Returns how
// long to wait for the next second to begin, so no second is ever skipped.
DWORD CLcdClock::Refresh(Shared& shared) {
    int millisecond = 0;
    const LocalDateTime now = LocalDateTimeNow(&millisecond);
    {
        LockGuard<CriticalSection> lock(shared.lock);
        shared.shown = ComputeClockDigits(now, shared.hourFormat, shared.morning);
        shared.morning = shared.shown.morning;
    }
    if (HWND wnd = shared.target.load()) ::PostMessageA(wnd, WM_CLOCK_SHOW_TICK, 0, 0);
    return 1010u - static_cast<DWORD>(millisecond);
}

void CLcdClock::OnPaint() {
    if (!IsStarted()) {
        Default();
        return;
    }
    PaintDC dc(m_hWnd);
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    Draw(dc.Get(), rect);
}

LRESULT CLcdClock::OnShowTick() {
    // A hidden clock shows nothing; its next WM_PAINT draws the time then.
    if (!IsStarted() || !::IsWindowVisible(m_hWnd)) return 0;
    WindowDC dc(m_hWnd);
    if (!dc.Get()) return 0;
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    Draw(dc.Get(), rect);
    return 0;
}

BOOL CLcdClock::OnEraseBkgnd(HDC) {
    if (!IsStarted()) return static_cast<BOOL>(Default());
    return 1;  // the face covers everything; erasing first would flicker
}

BOOL CLcdClock::OnPrintClient(HDC dc, UINT) {
    if (!IsStarted()) return static_cast<BOOL>(Default());
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    Draw(dc, rect);
    return 0;
}

void CLcdClock::Draw(HDC target, const RECT& rect) {
    ClockDigits shown;
    {
        LockGuard<CriticalSection> lock(m_shared->lock);
        shown = m_shared->shown;
    }

    // Every glyph position is overwritten on every paint, so the face bitmap
    // itself serves as the drawing surface and never needs restoring.
    const HDC face = m_face.Get();
    const HDC large = m_digits.Get();
    const HDC small = m_glyphs.Get();
    const artwork::ClockLayout& l = m_layout;
    for (int i = 0; i < 4; ++i)
        ::BitBlt(face, l.time_x[i], l.time_y, l.large.width, l.large.height, large,
                 l.large.width * Digit(shown.time[i]), 0, SRCCOPY);
    for (int i = 0; i < 2; ++i)
        ::BitBlt(face, l.second_x[i], l.second_y, l.small.width, l.small.height, small,
                 l.small.width * Digit(shown.time[4 + i]), 0, SRCCOPY);
    ::BitBlt(face, l.indicator_x, l.indicator_y, l.indicator_width, l.small.height, small,
             IndicatorX(l, shown.indicator), 0, SRCCOPY);
    for (int i = 0; i < 8; ++i)
        ::BitBlt(face, l.date_x[i], l.date_y, l.small.width, l.small.height, small,
                 l.small.width * Digit(shown.date[i]), 0, SRCCOPY);

    const int oldMode = ::SetStretchBltMode(target, COLORONCOLOR);
    ::StretchBlt(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, face,
                 0, 0, m_faceWidth, m_faceHeight, SRCCOPY);
    ::SetStretchBltMode(target, oldMode);
}
