// Owners and scope guards for the platform's handles.
#pragma once

#include <windows.h>

#include "core/base/unique_handle.h"

template <class H>
struct GdiObjectTraits {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct KernelHandleTraits {  // threads, events, mutexes: null means none
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct FileHandleTraits {  // CreateFile reports failure as INVALID_HANDLE_VALUE
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DestroyMenu(h); }
};

struct DcTraits {  // device contexts we created (CreateCompatibleDC)
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};

struct FindTraits {  // FindFirstFile searches
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};

using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using PenHandle = UniqueHandle<GdiObjectTraits<HPEN>>;
using RegionHandle = UniqueHandle<GdiObjectTraits<HRGN>>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using MenuHandle = UniqueHandle<MenuTraits>;
using DcHandle = UniqueHandle<DcTraits>;
using ModuleHandle = UniqueHandle<ModuleTraits>;
using FindHandle = UniqueHandle<FindTraits>;

// An open registry key, closed when it goes.
class RegKey : public UniqueHandle<RegKeyTraits> {
public:
    RegKey() = default;
    // Opens (`create`: creates when missing) root\path; check with Valid().
    RegKey(HKEY root, const char* path, REGSAM access, bool create = false) {
        if (create) Create(root, path, access);
        else Open(root, path, access);
    }
    // The same with the system's answer.
    LONG Open(HKEY root, const char* path, REGSAM access) {
        HKEY key = nullptr;
        const LONG got = ::RegOpenKeyExA(root, path, 0, access, &key);
        Reset(got == ERROR_SUCCESS ? key : nullptr);
        return got;
    }
    LONG Create(HKEY root, const char* path, REGSAM access) {
        HKEY key = nullptr;
        const LONG got = ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                           nullptr, &key, nullptr);
        Reset(got == ERROR_SUCCESS ? key : nullptr);
        return got;
    }
};

// The test of the system's ANSI code page for the first byte of a
// double-byte character, in the form the pure text code takes.
inline bool IsAnsiLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; }

// Selects an object into a DC for one scope and puts the old one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (old_) ::SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GetDC / ReleaseDC of one window's client area (null: the screen); with
// kWholeWindow, GetWindowDC: the whole window, frame included.
class WindowDC {
public:
    enum Area { kClientArea, kWholeWindow };
    explicit WindowDC(HWND wnd, Area area = kClientArea)
        : wnd_(wnd), dc_(area == kWholeWindow ? ::GetWindowDC(wnd) : ::GetDC(wnd)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND wnd) : wnd_(wnd) { dc_ = ::BeginPaint(wnd, &ps_); }
    ~PaintDC() { ::EndPaint(wnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return dc_; }
    const PAINTSTRUCT& Info() const { return ps_; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A memory DC compatible with `reference` that restores whatever bitmap it
// held before when it goes away (or on Reset), so the selected bitmap can be
// deleted. The one memory-DC helper: every off-screen surface is built on it.
class MemoryDC {
public:
    MemoryDC() = default;  // none until Create
    explicit MemoryDC(HDC reference) { Create(reference); }
    ~MemoryDC() { Reset(); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    bool Create(HDC reference) {
        Reset();
        dc_.Reset(::CreateCompatibleDC(reference));
        return Valid();
    }
    void Reset() {
        if (dc_ && oldBitmap_) ::SelectObject(dc_.Get(), oldBitmap_);
        oldBitmap_ = nullptr;
        dc_.Reset();
    }
    HDC Get() const { return dc_.Get(); }
    bool Valid() const { return dc_.Valid(); }
    void SelectBitmap(HBITMAP bmp) {
        HGDIOBJ old = ::SelectObject(dc_.Get(), bmp);
        if (!oldBitmap_) oldBitmap_ = old;
    }

private:
    DcHandle dc_;
    HGDIOBJ oldBitmap_ = nullptr;
};

// An off-screen surface: a bitmap and the memory DC that holds it, owned as
// one. The DC lets the bitmap go before the bitmap is deleted, whatever the
// order its owner declares things in (a bitmap still selected into a DC
// cannot be deleted: Windows refuses and the bitmap leaks).
class BitmapDC {
public:
    BitmapDC() = default;
    ~BitmapDC() { Reset(); }
    BitmapDC(const BitmapDC&) = delete;
    BitmapDC& operator=(const BitmapDC&) = delete;

    // A bitmap of `width` x `height` compatible with `reference`, selected
    // into a DC compatible with it. False, with nothing kept, when either
    // could not be made.
    bool Create(HDC reference, int width, int height) {
        Reset();
        if (width <= 0 || height <= 0) return false;
        return Adopt(reference, ::CreateCompatibleBitmap(reference, width, height));
    }
    // A 32-bit top-down DIB section (0x00RRGGBB pixels, rows from the top)
    // instead, whose pixels `*bits` then points at; false, with nothing kept
    // and `*bits` null, when it could not be made.
    bool CreateDib(HDC reference, int width, int height, void** bits) {
        Reset();
        *bits = nullptr;
        if (width <= 0 || height <= 0) return false;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        if (Adopt(reference, ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, bits, nullptr, 0)) &&
            *bits)
            return true;
        Reset();
        *bits = nullptr;
        return false;
    }
    // The same for a bitmap made elsewhere, which this now owns.
    bool Adopt(HDC reference, HBITMAP bitmap) {
        Reset();
        bitmap_.Reset(bitmap);
        if (!bitmap_ || !dc_.Create(reference)) {
            Reset();
            return false;
        }
        dc_.SelectBitmap(bitmap_.Get());
        return true;
    }
    void Reset() {
        dc_.Reset();  // first: it puts its own bitmap back
        bitmap_.Reset();
    }
    HDC Get() const { return dc_.Get(); }
    HBITMAP Bitmap() const { return bitmap_.Get(); }
    bool Valid() const { return dc_.Valid() && bitmap_.Valid(); }

private:
    MemoryDC dc_;
    BitmapHandle bitmap_;
};

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&cs_); }
    ~CriticalSection() { ::DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { ::EnterCriticalSection(&cs_); }
    void Leave() { ::LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

template <class Lockable>
class LockGuard {
public:
    explicit LockGuard(Lockable& lock) : lock_(lock) { lock_.Enter(); }
    ~LockGuard() { lock_.Leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Lockable& lock_;
};
