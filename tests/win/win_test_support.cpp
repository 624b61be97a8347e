#include "tests/win/win_test_support.h"

#include <winternl.h>

#include <cstring>
#include <vector>

#include "controls/skin_button.h"

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        PumpMessages();
        ::Sleep(5);
    }
    return true;
}

namespace {
LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ::DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

HWND CreateTestParent(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PlainProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "VellumoTestParent";
        ::RegisterClassA(&wc);
        registered = true;
    }
    HWND wnd = ::CreateWindowExA(0, "VellumoTestParent", "test parent",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, width, height, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
    PumpMessages();
    return wnd;
}

COLORREF PixelOfWindow(HWND wnd, int x, int y) {
    ::UpdateWindow(wnd);
    PumpMessages();
    WindowDC dc(wnd);
    return ::GetPixel(dc.Get(), x, y);
}

HWND TipWindowAfterHover(CSkinButton& button) {
    MSG move{button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2), ::GetTickCount(), {2, 2}};
    button.PreTranslateMessage(&move);
    return button.TooltipWindow();
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

MemoSaverProcess::MemoSaverProcess(const std::string& mode, const std::string& argument,
                                   const std::string& extra) {
    static int counter = 0;
    const std::string eventName = "VellumoMemoSaver" + std::to_string(::GetCurrentProcessId()) +
                                  "-" + std::to_string(++counter);
    ready_.Reset(::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    std::string commandLine = "\"" + SupportDir("MemoSaver.exe") + "\" " + mode + " \"" +
                              argument + "\" " + eventName + (extra.empty() ? "" : " " + extra);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &info)) {
        process_.Reset(info.hProcess);
        KernelHandle thread(info.hThread);
    }
}

bool MemoSaverProcess::WaitReady() {
    if (!process_) return false;
    HANDLE both[] = {ready_.Get(), process_.Get()};
    return ::WaitForMultipleObjects(2, both, FALSE, 20000) == WAIT_OBJECT_0;
}

void MemoSaverProcess::Kill() {
    if (!process_) return;
    ::TerminateProcess(process_.Get(), 9);
    ::WaitForSingleObject(process_.Get(), 10000);
    process_.Reset();
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

void TypeInto(HWND edit, const std::string& text) {
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : text) ::SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
}
