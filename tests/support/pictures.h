// Pictures: reading back what was drawn (a device context, a window, a
// bitmap or a rectangle of the screen, copied into a 32-bit picture), keeping
// pictures for a look afterwards, and watching GDI objects.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // row by row from the top

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Pixels& o) const {
        return width == o.width && height == o.height && pixels == o.pixels;
    }
    // Pixels of `colour` in the rectangle (all of them by default).
    int CountOf(COLORREF colour) const;
    int CountOf(COLORREF colour, const RECT& area) const;
    template <typename Pred>
    int Count(Pred pred) const {
        int n = 0;
        for (COLORREF c : pixels) n += pred(c) ? 1 : 0;
        return n;
    }
    // Pixels that differ from `other` (all, plus one, when the sizes differ).
    int Differing(const Pixels& other) const;
};

// `width` x `height` pixels of `source` from (x, y).
Pixels ReadPixels(HDC source, int x, int y, int width, int height);
// The client area of `wnd` as its own DC shows it, once it painted what was
// pending (the parent first, for transparent controls).
Pixels WindowPixels(HWND wnd);
// Whole `bitmap`.
Pixels BitmapPixels(HBITMAP bitmap);
// Writes `picture` as a 32-bit .bmp file (to look at a test's screen later).
bool SaveBmp(const Pixels& picture, const std::string& path);

// The screen's pixels over a rectangle (screen coordinates).
struct ScreenPicture : Pixels {
    RECT rect{};

    explicit ScreenPicture(const RECT& r);
    // The client area of a window, or the whole window with its frame.
    static ScreenPicture OfClient(HWND wnd);
    static ScreenPicture OfWindow(HWND wnd);
    int Width() const { return width; }
    int Height() const { return height; }
    // Pixels of `colour` inside another window's screen rectangle.
    int CountIn(HWND wnd, COLORREF colour) const;
};

// Reads one pixel of what `wnd` paints into a memory DC (WM_PRINTCLIENT is
// not used: the window's own WM_PAINT path draws into a captured copy).
COLORREF PixelOfWindow(HWND wnd, int x, int y);
// A picture of `wnd` (its client area, or all of it) once three reads 150 ms
// apart agree: whatever was pending has been drawn.
ScreenPicture SettledPicture(HWND wnd, bool client, DWORD timeoutMs = 5000);
// The ticker's picture once it stands still at the top of its text
// (scrolled there, which also pauses it).
ScreenPicture StillTicker(HWND ticker);
// The ticker's text colour 0,115,255, antialiased over its light background.
bool IsTickerInk(COLORREF c);

// Keeps `picture` in the test results as screens/<name>.bmp (nothing outside
// a test run), to be looked at afterwards.
void KeepPicture(const Pixels& picture, const std::string& name);
// The whole screen, kept so when a test sees something it cannot explain.
void KeepScreen(const std::string& name);

// Live GDI objects of this process. GetGuiResources is a stub under Wine, so
// this walks the process's GDI handle table (the PEB names it; each entry is
// 24 bytes with the object type in byte 14, 0 for a free entry).
int CountGdiObjects();

// While one exists, counts DeleteObject calls made by this program's own code
// on a bitmap still selected into a memory DC. Windows refuses such a delete
// and the bitmap leaks; Wine defers it, so a GDI count alone cannot see it.
class SelectedBitmapDeleteWatch {
public:
    SelectedBitmapDeleteWatch();
    ~SelectedBitmapDeleteWatch();
    SelectedBitmapDeleteWatch(const SelectedBitmapDeleteWatch&) = delete;
    SelectedBitmapDeleteWatch& operator=(const SelectedBitmapDeleteWatch&) = delete;
    bool Hooked() const;  // the program's import table could be patched
    int Count() const;
};
