// Reading the screen and the settings values from the driver: a picture of a
// screen rectangle, and the stored settings put back as they were after a
// test changed them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The screen's pixels over a rectangle (screen coordinates), as read back
// from the display.
struct ScreenPicture {
    RECT rect{};
    std::vector<COLORREF> pixels;

    explicit ScreenPicture(const RECT& r) : rect(r) {
        const int w = Width(), h = Height();
        if (w <= 0 || h <= 0) return;
        HDC screen = ::GetDC(nullptr);
        HDC mem = ::CreateCompatibleDC(screen);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(mem, dib);
        ::BitBlt(mem, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
        ::GdiFlush();
        const auto* p = static_cast<const DWORD*>(bits);
        pixels.reserve(static_cast<size_t>(w) * h);
        for (int i = 0; i < w * h; ++i)
            pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
        ::SelectObject(mem, old);
        ::DeleteObject(dib);
        ::DeleteDC(mem);
        ::ReleaseDC(nullptr, screen);
    }
    // The client area of a window.
    static ScreenPicture OfClient(HWND wnd) {
        RECT r{};
        ::GetClientRect(wnd, &r);
        ::MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return ScreenPicture(r);
    }
    // A whole window, frame included.
    static ScreenPicture OfWindow(HWND wnd) {
        RECT r{};
        ::GetWindowRect(wnd, &r);
        return ScreenPicture(r);
    }
    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }
    // Pixels of `colour` inside another window's screen rectangle.
    int CountIn(HWND wnd, COLORREF colour) const {
        RECT r{};
        ::GetWindowRect(wnd, &r);
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x - rect.left, y - rect.top) == colour;
        return n;
    }
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * Width() + x]; }
    template <typename Pred>
    int Count(Pred pred) const {
        int n = 0;
        for (COLORREF c : pixels) n += pred(c) ? 1 : 0;
        return n;
    }
    int Differing(const ScreenPicture& other) const {
        if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size()) + 1;
        int n = 0;
        for (size_t i = 0; i < pixels.size(); ++i) n += pixels[i] != other.pixels[i];
        return n;
    }
};

// One value under HKLM\SOFTWARE\Brakkon\Torvane08 (or the autorun entry):
// remembered at construction, put back (or deleted) at destruction. A
// key that did not exist before (and its parent) is removed again once empty.
class SavedRegistryValue {
public:
    SavedRegistryValue(HKEY root, const char* path, const char* name)
        : root_(root), path_(path), name_(name) {
        HKEY key = nullptr;
        parent_ = path_.substr(0, path_.find_last_of('\\'));
        parentExisted_ = ::RegOpenKeyExA(root_, parent_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (parentExisted_) ::RegCloseKey(key);
        keyExisted_ = ::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (!keyExisted_) return;
        BYTE data[1024];
        DWORD size = sizeof data;
        existed_ = ::RegQueryValueExA(key, name_.c_str(), nullptr, &type_, data, &size) == ERROR_SUCCESS;
        if (existed_) data_.assign(data, data + size);
        ::RegCloseKey(key);
    }
    ~SavedRegistryValue() {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        if (existed_)
            ::RegSetValueExA(key, name_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
        else
            ::RegDeleteValueA(key, name_.c_str());
        ::RegCloseKey(key);
        // Fails (and so keeps the key) while other values are still in it.
        if (!keyExisted_ && ::RegDeleteKeyA(root_, path_.c_str()) == ERROR_SUCCESS && !parentExisted_)
            ::RegDeleteKeyA(root_, parent_.c_str());
    }
    SavedRegistryValue(const SavedRegistryValue&) = delete;
    SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

private:
    HKEY root_;
    std::string path_, name_, parent_;
    bool parentExisted_ = false;
    bool keyExisted_ = false;
    bool existed_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> data_;
};

constexpr char kSettingsKey[] = "SOFTWARE\\Brakkon\\Torvane08";

// A settings value as the driver reads it: -1 when missing.
inline int StoredSetting(const char* name) {
    DWORD value = 0, size = sizeof value;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                       &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(value);
}
inline void StoreSetting(const char* name, int value) {
    const DWORD v = static_cast<DWORD>(value);
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name, REG_DWORD, &v, sizeof v);
}
inline void DeleteSetting(const char* name) {
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettingsKey, name);
}
