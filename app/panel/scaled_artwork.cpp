#include "app/panel/scaled_artwork.h"

#include <algorithm>
#include <utility>

#include "app/panel/panel_look.h"
#include "platform/display_scale.h"
#include "res/resource.h"

using namespace panel;

namespace {
// Moves and sizes every child of `parent` by x * numX / denX and
// y * numY / denY, keeping each one's place in proportion.
void ScaleChildren(HWND parent, int numX, int denX, int numY, int denY) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        const int left = ::MulDiv(r.left, numX, denX), top = ::MulDiv(r.top, numY, denY);
        ::SetWindowPos(child, nullptr, left, top, ::MulDiv(r.right, numX, denX) - left,
                       ::MulDiv(r.bottom, numY, denY) - top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The dialog base units of `font` (made for `dpi`) at 100 %, as the dialog
// manager works them out: the average width of the letters and the height.
SIZE BaseUnitsAt96(HFONT font, int dpi) {
    LOGFONTA at96{};
    if (!font || !::GetObjectA(font, sizeof at96, &at96)) return SIZE{};
    at96.lfHeight = ::MulDiv(at96.lfHeight, 96, dpi);
    const FontHandle measured(::CreateFontIndirectA(&at96));
    WindowDC screen(nullptr);
    SelectGuard select(screen.Get(), measured.Get());
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    TEXTMETRICA metrics{};
    if (!::GetTextExtentPoint32A(screen.Get(), kLetters, 52, &extent) ||
        !::GetTextMetricsA(screen.Get(), &metrics))
        return SIZE{};
    return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}
}  // namespace

// The template is in dialog units, which follow the dialog font's metrics
// and so do not grow in step with the scale: the panel would come out wider
// and shorter than its artwork at 125 % and more, its parts out of place.
// Instead every part takes its 100 % place and size, scaled.
void ScaledArtwork::FitLayoutToScale(HWND dialog) {
    const int dpi = CurrentDpi();
    if (dpi == 96) return;
    RECT units{0, 0, 4, 8};
    if (!::MapDialogRect(dialog, &units) || units.right <= 0 || units.bottom <= 0) return;
    const SIZE at96 = BaseUnitsAt96(reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)), dpi);
    if (at96.cx <= 0 || at96.cy <= 0) return;
    const int numX = at96.cx * dpi, denX = units.right * 96;
    const int numY = at96.cy * dpi, denY = units.bottom * 96;
    ScaleChildren(dialog, numX, denX, numY, denY);
    RECT client{}, frame{};
    ::GetClientRect(dialog, &client);
    ::GetWindowRect(dialog, &frame);
    const int width = ::MulDiv(client.right, numX, denX), height = ::MulDiv(client.bottom, numY, denY);
    ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                   frame.bottom - frame.top + height - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScaledArtwork::ScaledArtwork() : m_icon(::LoadIconA(Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

HICON ScaledArtwork::SmallIcon() const {
    return m_scaledSmallIcon ? m_scaledSmallIcon.Get()
                             : ::LoadIconA(Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void ScaledArtwork::LoadArrowIcons(CSkinButton& prevMonth, CSkinButton& nextMonth,
                                   CSkinButton& prevYear, CSkinButton& nextYear) {
    const std::pair<CSkinButton*, UINT> arrows[] = {{&prevMonth, IDI_PREV_MONTH},
                                                    {&nextMonth, IDI_NEXT_MONTH},
                                                    {&prevYear, IDI_PREV_YEAR},
                                                    {&nextYear, IDI_NEXT_YEAR}};
    const int size = ScalePixels(16);
    for (const auto& arrow : arrows)
        arrow.first->AssignIcon(LoadScaledIconAtSize(arrow.second, size), size);
}

void ScaledArtwork::ApplyWindowIcons(HWND window) {
    // The old icons go only after the window holds the new ones.
    IconHandle scaled, scaledSmall;
    if (CurrentDpi() != 96) {
        scaled.Reset(LoadScaledIconAtSize(IDR_MAINFRAME, ::GetSystemMetrics(SM_CXICON)));
        scaledSmall.Reset(LoadScaledIconAtSize(IDR_MAINFRAME, ::GetSystemMetrics(SM_CXSMICON)));
    }
    HICON big = scaled ? scaled.Get() : m_icon;
    HICON small = scaledSmall ? scaledSmall.Get() : m_icon;
    ::SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    m_scaledIcon = std::move(scaled);
    m_scaledSmallIcon = std::move(scaledSmall);
}

namespace {
// The day font of the given cell height and width.
FontHandle MakeDayFont(int height, int width) {
    return FontHandle(
        ::CreateFontA(height, width, 2, 0, 100, FALSE, TRUE, TRUE, 1, 1, 1, 1, 1, "Verdana"));
}

// Height in pixels of the ink of a digit in `font`, 0 when unknown.
int DigitHeight(HDC dc, HFONT font) {
    SelectGuard select(dc, font);
    GLYPHMETRICS metrics{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    if (::GetGlyphOutlineA(dc, '8', GGO_METRICS, &metrics, 0, nullptr, &identity) == GDI_ERROR)
        return 0;
    return static_cast<int>(metrics.gmBlackBoxY);
}

// The cell height at which the digits are as tall, in proportion to the
// scale, as at 100 %: small sizes round the ink up, so a height scaled
// alone draws the digits a pixel or two short.
int ScaledDayFontHeight(HDC dc) {
    const int scaled = ScalePixels(10);
    const int at100 = DigitHeight(dc, MakeDayFont(10, 8).Get());
    if (at100 <= 0) return scaled;
    const int target = ::MulDiv(at100, CurrentDpi(), 96);
    for (int height = scaled; height <= scaled + scaled / 3; ++height) {
        const int digits = DigitHeight(dc, MakeDayFont(height, ScalePixels(8)).Get());
        if (digits <= 0) return scaled;
        if (digits >= target) return height;
    }
    return scaled;
}

// The day font above 100 % for cells `cellWidth` wide. The cells grow with
// the dialog's font, which need not keep pace with the day font's width:
// narrowed until the widest day fits as it does at 100 % (there "28" spans
// 16 pixels of a 14-pixel cell, its ink the whole cell). Narrowing further
// would change the font's look.
FontHandle ScaledDayFont(int cellWidth) {
    WindowDC screen(nullptr);
    const int height = ScaledDayFontHeight(screen.Get());
    int width = ScalePixels(8);
    FontHandle font = MakeDayFont(height, width);
    for (SIZE extent{}; width > 1; font = MakeDayFont(height, --width)) {
        SelectGuard select(screen.Get(), font.Get());
        if (!::GetTextExtentPoint32A(screen.Get(), "28", 2, &extent) || extent.cx * 14 <= cellWidth * 16)
            break;
    }
    return font;
}
}  // namespace

FontHandle ScaledArtwork::DayFont(HWND cell) {
    RECT client{};
    return CurrentDpi() != 96 && ::GetClientRect(cell, &client)
               ? ScaledDayFont(client.right)
               : MakeDayFont(ScalePixels(10), ScalePixels(8));
}

bool ScaledArtwork::Rescale(HWND dialog, UINT dpi, const RECT& suggested) {
    const int oldDpi = CurrentDpi();
    const int newDpi = static_cast<int>(dpi);
    if (newDpi <= 0 || newDpi == oldDpi) return false;
    SetCurrentDpi(newDpi);
    ScaleChildren(dialog, newDpi, oldDpi, newDpi, oldDpi);
    ::SetWindowPos(dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}
