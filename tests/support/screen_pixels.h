// Reading back what was drawn: the pixels of a device context, a window, a
// bitmap or a rectangle of the screen, copied into a 32-bit picture.
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
