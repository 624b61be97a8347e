#include "platform/message_box_fit.h"

#include "platform/handles.h"

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
    // The box breaks its lines at no less than half the work area's width.
    RECT box{0, 0, (work.right - work.left) / 2, 0};
    ::DrawTextA(screen.Get(), text.c_str(), static_cast<int>(text.size()), &box,
                DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    // Caption, frame, the margins around the text and the button row.
    const int chrome = ::GetSystemMetrics(SM_CYCAPTION) + 2 * ::GetSystemMetrics(SM_CYFIXEDFRAME) +
                       5 * tm.tmHeight + 40;
    return box.bottom - box.top + chrome <= work.bottom - work.top;
}
