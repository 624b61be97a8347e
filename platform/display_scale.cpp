#include "platform/display_scale.h"

#include <atomic>

#include "core/artwork/artwork_scale.h"
#include "platform/handles.h"

namespace {

std::atomic<int> g_dpi{96};

}  // namespace

int WindowDpi(HWND wnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"),
                                                 "GetDpiForWindow")));
    if (getDpiForWindow && wnd) {
        const UINT dpi = getDpiForWindow(wnd);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    const int dpi = SystemDpi();
    return dpi > 0 ? dpi : 96;
}

int SystemDpi() {
    static const int dpi = [] {
        WindowDC screen(nullptr);
        return screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    }();
    return dpi;
}

int CurrentDpi() { return g_dpi; }

void SetCurrentDpi(int dpi) { g_dpi = dpi > 0 ? dpi : 96; }

int ScalePixels(int pixels) { return ::MulDiv(pixels, CurrentDpi(), 96); }

int CurrentArtworkIndex() { return artwork::choose_artwork(CurrentDpi()).index; }

HBITMAP LoadScaledBitmap(UINT id100, UINT flags, bool fitFactor) {
    const artwork::ArtworkChoice choice = artwork::choose_artwork(CurrentDpi());
    const HINSTANCE module = ::GetModuleHandleA(nullptr);
    const int id = artwork::scaled_resource_id(static_cast<int>(id100), choice.index);
    BitmapHandle loaded(static_cast<HBITMAP>(
        ::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, flags)));
    if (!loaded || !fitFactor || choice.display_dpi == choice.dpi) return loaded.Release();

    BITMAP info{};
    if (!::GetObjectA(loaded.Get(), sizeof info, &info)) return loaded.Release();
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    const int width = artwork::fit_length(info.bmWidth, choice);
    const int fitted = artwork::fit_length(height, choice);
    WindowDC screen(nullptr);
    BitmapHandle result(::CreateCompatibleBitmap(screen.Get(), width, fitted));
    MemoryDC from(screen.Get());
    MemoryDC to(screen.Get());
    if (!result || !from.Valid() || !to.Valid()) return loaded.Release();
    from.SelectBitmap(loaded.Get());
    to.SelectBitmap(result.Get());
    // Plain sampling: a keyed picture's transparent colour must stay exact.
    ::SetStretchBltMode(to.Get(), COLORONCOLOR);
    ::StretchBlt(to.Get(), 0, 0, width, fitted, from.Get(), 0, 0, info.bmWidth, height, SRCCOPY);
    return result.Release();
}

HICON LoadScaledIconAtSize(UINT id100, int pixels) {
    const int index = artwork::choose_artwork(CurrentDpi()).index;
    const int id = artwork::scaled_resource_id(static_cast<int>(id100), index);
    return static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                           IMAGE_ICON, pixels, pixels, 0));
}

HICON LoadScaledIcon(UINT id100, int size100) {
    return LoadScaledIconAtSize(id100, ScalePixels(size100));
}
