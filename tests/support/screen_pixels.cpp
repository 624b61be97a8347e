#include "tests/support/screen_pixels.h"

#include "tests/support/test_files.h"

#include "platform/handles.h"

int Pixels::CountOf(COLORREF colour) const { return CountOf(colour, RECT{0, 0, width, height}); }

int Pixels::CountOf(COLORREF colour, const RECT& area) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += At(x, y) == colour;
    return n;
}

int Pixels::Differing(const Pixels& other) const {
    if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size()) + 1;
    int n = 0;
    for (size_t i = 0; i < pixels.size(); ++i) n += pixels[i] != other.pixels[i];
    return n;
}

Pixels ReadPixels(HDC source, int x, int y, int width, int height) {
    Pixels out;
    if (width <= 0 || height <= 0) return out;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    BitmapHandle dib(::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib) return out;
    {
        MemoryDC copy(source);
        copy.SelectBitmap(dib.Get());
        ::BitBlt(copy.Get(), 0, 0, width, height, source, x, y, SRCCOPY);
        ::GdiFlush();
    }
    out.width = width;
    out.height = height;
    out.pixels.reserve(static_cast<size_t>(width) * height);
    const auto* p = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)  // 0x00RRGGBB
        out.pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    return out;
}

Pixels WindowPixels(HWND wnd) {
    if (HWND parent = ::GetParent(wnd)) ::UpdateWindow(parent);
    ::UpdateWindow(wnd);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    RECT rc{};
    ::GetClientRect(wnd, &rc);
    WindowDC dc(wnd);
    return ReadPixels(dc.Get(), 0, 0, rc.right, rc.bottom);
}

Pixels BitmapPixels(HBITMAP bitmap) {
    BITMAP info{};
    ::GetObjectA(bitmap, sizeof info, &info);
    WindowDC screen(nullptr);
    MemoryDC mem(screen.Get());
    mem.SelectBitmap(bitmap);
    return ReadPixels(mem.Get(), 0, 0, info.bmWidth, info.bmHeight);
}

bool SaveBmp(const Pixels& picture, const std::string& path) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = -picture.height;  // rows from the top, as held
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    std::vector<unsigned char> bits;
    bits.reserve(picture.pixels.size() * 4);
    for (COLORREF c : picture.pixels) {
        const unsigned char bgra[] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
        bits.insert(bits.end(), bgra, bgra + 4);
    }
    BITMAPFILEHEADER head{};
    head.bfType = 0x4D42;  // "BM"
    head.bfOffBits = sizeof head + sizeof info;
    head.bfSize = static_cast<DWORD>(head.bfOffBits + bits.size());
    std::string bytes(reinterpret_cast<const char*>(&head), sizeof head);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(bits.begin(), bits.end());
    return WriteFileBytes(path, bytes);
}

ScreenPicture::ScreenPicture(const RECT& r) : rect(r) {
    WindowDC screen(nullptr);
    static_cast<Pixels&>(*this) = ReadPixels(screen.Get(), r.left, r.top, r.right - r.left, r.bottom - r.top);
}

ScreenPicture ScreenPicture::OfClient(HWND wnd) {
    RECT r{};
    ::GetClientRect(wnd, &r);
    ::MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return ScreenPicture(r);
}

ScreenPicture ScreenPicture::OfWindow(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return ScreenPicture(r);
}

int ScreenPicture::CountIn(HWND wnd, COLORREF colour) const {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return CountOf(colour, RECT{r.left - rect.left, r.top - rect.top, r.right - rect.left, r.bottom - rect.top});
}
