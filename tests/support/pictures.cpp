#include "tests/support/pictures.h"

#include <winternl.h>

#include <cstring>

#include "platform/handles.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

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
    void* bits = nullptr;
    BitmapDC copy;
    if (!copy.CreateDib(source, width, height, &bits)) return out;
    ::BitBlt(copy.Get(), 0, 0, width, height, source, x, y, SRCCOPY);
    ::GdiFlush();
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

COLORREF PixelOfWindow(HWND wnd, int x, int y) {
    ::UpdateWindow(wnd);
    PumpMessages();
    WindowDC dc(wnd);
    return ::GetPixel(dc.Get(), x, y);
}

int CountGdiObjects() {
    // The PEB's GdiSharedHandleTable, at its offset for each word size.
#if defined(_WIN64)
    constexpr size_t kTableOffset = 0xF8;
#else
    constexpr size_t kTableOffset = 0x94;
#endif
    constexpr size_t kEntrySize = 24, kTypeOffset = 14, kMaxEntries = 16384;
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
        return -1;
    const auto* peb = reinterpret_cast<const unsigned char*>(info.PebBaseAddress);
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + kTableOffset);
    if (!table) return -1;
    int live = 0;
    for (size_t i = 0; i < kMaxEntries; ++i)
        if (table[i * kEntrySize + kTypeOffset] != 0) ++live;
    return live;
}

namespace {
// The import-table slot through which this program calls `dll`!`name`.
void** ImportSlot(const char* dll, const char* name) {
    auto* base = reinterpret_cast<unsigned char*>(::GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

void* Patch(void** slot, void* value) {
    DWORD old = 0;
    ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    void* previous = *slot;
    *slot = value;
    ::VirtualProtect(slot, sizeof *slot, old, &old);
    return previous;
}

using CreateDcFn = HDC(WINAPI*)(HDC);
using DeleteObjectFn = BOOL(WINAPI*)(HGDIOBJ);
CreateDcFn g_realCreateDc = nullptr;
DeleteObjectFn g_realDeleteObject = nullptr;
std::vector<HDC> g_memoryDcs;
int g_selectedDeletes = 0;

HDC WINAPI WatchCreateDc(HDC reference) {
    HDC dc = g_realCreateDc(reference);
    if (dc) g_memoryDcs.push_back(dc);
    return dc;
}

BOOL WINAPI WatchDeleteObject(HGDIOBJ obj) {
    if (::GetObjectType(obj) == OBJ_BITMAP)
        for (HDC dc : g_memoryDcs)
            if (::GetObjectType(dc) == OBJ_MEMDC && ::GetCurrentObject(dc, OBJ_BITMAP) == obj) ++g_selectedDeletes;
    return g_realDeleteObject(obj);
}
}  // namespace

SelectedBitmapDeleteWatch::SelectedBitmapDeleteWatch() {
    g_selectedDeletes = 0;
    g_memoryDcs.clear();
    void** create = ImportSlot("gdi32.dll", "CreateCompatibleDC");
    void** del = ImportSlot("gdi32.dll", "DeleteObject");
    if (!create || !del) return;
    g_realCreateDc = reinterpret_cast<CreateDcFn>(Patch(create, reinterpret_cast<void*>(&WatchCreateDc)));
    g_realDeleteObject = reinterpret_cast<DeleteObjectFn>(Patch(del, reinterpret_cast<void*>(&WatchDeleteObject)));
}

SelectedBitmapDeleteWatch::~SelectedBitmapDeleteWatch() {
    if (!Hooked()) return;
    Patch(ImportSlot("gdi32.dll", "CreateCompatibleDC"), reinterpret_cast<void*>(g_realCreateDc));
    Patch(ImportSlot("gdi32.dll", "DeleteObject"), reinterpret_cast<void*>(g_realDeleteObject));
    g_realCreateDc = nullptr;
    g_realDeleteObject = nullptr;
    g_memoryDcs.clear();
}

bool SelectedBitmapDeleteWatch::Hooked() const { return g_realDeleteObject != nullptr; }
int SelectedBitmapDeleteWatch::Count() const { return g_selectedDeletes; }

void KeepPicture(const Pixels& picture, const std::string& name) {
    char unixPath[1024] = {};
    const DWORD n = ::GetEnvironmentVariableA("VELLUMO_TEST_RESULTS", unixPath, sizeof unixPath);
    if (n == 0 || n >= sizeof unixPath) return;
    std::string folder = std::string("Z:") + unixPath + "/screens";
    for (char& c : folder)
        if (c == '/') c = '\\';
    ::CreateDirectoryA(folder.c_str(), nullptr);
    SaveBmp(picture, folder + "\\" + name + ".bmp");
}

void KeepScreen(const std::string& name) {
    KeepPicture(ScreenPicture(RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}),
                name);
}

ScreenPicture SettledPicture(HWND wnd, bool client, DWORD timeoutMs) {
    // Three equal pictures in a row: one pause of a busy program before its
    // paint must not pass for a still picture.
    const auto take = [&] { return client ? ScreenPicture::OfClient(wnd) : ScreenPicture::OfWindow(wnd); };
    ScreenPicture last = take();
    int same = 0;
    WaitFor(
        [&] {
            ::Sleep(150);
            ScreenPicture next = take();
            same = next.Differing(last) == 0 ? same + 1 : 0;
            last = std::move(next);
            return same >= 2;
        },
        timeoutMs);
    return last;
}

// Twice: the first request may come before the ticker has measured a new
// text at its next paint.
ScreenPicture StillTicker(HWND ticker) {
    // The ticker takes scroll requests only while its hover bar makes it a
    // tab stop; lend it that style for the request (without the bar, which
    // would narrow the text) instead of hovering it.
    const auto scrollToTop = [ticker] {
        const LONG_PTR style = ::GetWindowLongPtrA(ticker, GWL_STYLE);
        ::SetWindowLongPtrA(ticker, GWL_STYLE, style | WS_TABSTOP);
        // Waits for the request to be handled (a loaded panel may be busy for
        // seconds): it is refused once the style is taken back.
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(ticker, WM_VSCROLL, SB_TOP, 0, SMTO_NORMAL, 20000, &result);
        ::SetWindowLongPtrA(ticker, GWL_STYLE, style);
    };
    // The ticker always shows text (memos or the fallback). A panel whose
    // thread waits in a call to another program (the notification area
    // still starting on a loaded machine) answers these requests but paints
    // nothing until that call returns: a still picture without text is
    // taken again.
    ScreenPicture picture(RECT{});
    WaitFor(
        [&] {
            scrollToTop();
            SettledPicture(ticker, true);
            scrollToTop();
            picture = SettledPicture(ticker, true);
            return picture.Count(IsTickerInk) >= 20;
        },
        20000);
    return picture;
}

bool IsTickerInk(COLORREF c) {
    return GetBValue(c) >= 200 && GetRValue(c) <= 140 && GetGValue(c) <= 190;
}
