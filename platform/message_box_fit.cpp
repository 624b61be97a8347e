#include "platform/message_box_fit.h"

#include "platform/handles.h"

namespace {
// A box's text is as wide as this many dialog units of its font, or less
// for short lines: Wine's boxes, whatever their height. Windows' wrap wider
// (from Vista on at first, then wider when that makes the box too tall;
// before it from 5/8 of the work area), so at this width a text takes at
// least as many lines as in any of them.
constexpr int kBoxTextDialogUnits = 176;

// Four horizontal dialog units of the selected font, in pixels: the mean
// width of the 52 letters, as dialogs measure it.
int DialogBaseWidth(HDC dc) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    if (!::GetTextExtentPoint32A(dc, kLetters, 52, &size) || size.cx <= 0) return 0;
    return (size.cx / 26 + 1) / 2;
}
}  // namespace

bool MessageBoxFits(HWND owner, const std::string& text) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{};
    if (::GetMonitorInfoA(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        work = monitor.rcWork;
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    }
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    FontHandle font;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font.Reset(::CreateFontIndirectA(&metrics.lfMessageFont));
    WindowDC screen(nullptr);
    if (!screen.Get()) return false;
    SelectGuard select(screen.Get(), font.Get() ? font.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm{};
    ::GetTextMetricsA(screen.Get(), &tm);
    const int workWidth = work.right - work.left;
    const int byFont = ::MulDiv(kBoxTextDialogUnits, DialogBaseWidth(screen.Get()), 4);
    const int width = byFont > 0 && byFont < workWidth * 5 / 8 ? byFont : workWidth * 5 / 8;
    RECT box{0, 0, width, 0};
    ::DrawTextA(screen.Get(), text.c_str(), static_cast<int>(text.size()), &box,
                DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    // Caption, frame, the margins around the text and the button row.
    const int chrome = ::GetSystemMetrics(SM_CYCAPTION) + 2 * ::GetSystemMetrics(SM_CYFIXEDFRAME) +
                       5 * tm.tmHeight + 40;
    return box.bottom - box.top + chrome <= work.bottom - work.top;
}
