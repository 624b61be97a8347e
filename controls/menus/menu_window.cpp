#include "controls/menus/menu_window.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "controls/menus/menu_item.h"
#include "controls/menus/menu_look.h"
#include "controls/menus/menu_style.h"
#include "platform/handles.h"
#include "platform/wnd_hook.h"

namespace {

constexpr UINT kGetMenuMessage = 0x01E1;  // MN_GETHMENU
constexpr int kShadow = 4;
const char kOldProcProperty[] = "OldMenuProc";

// One taken-over menu window: a hook on it that draws the frame and shadow.
struct MenuWindowRecord : CWndHook {
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    bool shadow = false;   // the system draws none: this library paints one
    bool enlarged = false;
    // What lay behind the window when it was shown, shadow already applied.
    std::unique_ptr<BitmapDC> behind;
    int width = 0;
    int height = 0;
};

HHOOK g_hook = nullptr;   // sees each message sent: only while a menu window lives
HHOOK g_watch = nullptr;  // sees menu windows come and go
int g_menuWindows = 0;

std::unordered_map<HWND, std::unique_ptr<MenuWindowRecord>>& Records() {
    static auto* records = new std::unordered_map<HWND, std::unique_ptr<MenuWindowRecord>>();
    return *records;
}

MenuWindowRecord* Find(HWND wnd) {
    auto found = Records().find(wnd);
    return found == Records().end() ? nullptr : found->second.get();
}

bool IsMenuWindow(HWND wnd) {
    char name[16] = {};
    ::GetClassNameA(wnd, name, sizeof name);
    return std::strcmp(name, "#32768") == 0;
}

// Only a look with a border draws the frame, and with it the shadow; one
// without (9) leaves the window's edge to the system.
bool PaintsFrame(const CMenuStyle& style) { return style.DrawsFrame() && style.HasBorder(); }

bool SystemDrawsShadows() {
    BOOL shadow = FALSE;
    return ::SystemParametersInfoA(SPI_GETDROPSHADOW, 0, &shadow, 0) && shadow;
}

// Darkens the strips along the right and bottom edges of the copy of what
// lay behind the window: strongest next to the menu, fading outwards.
void DarkenShadowStrips(std::uint32_t* pixels, int width, int height) {
    static const int kDarken[kShadow] = {110, 80, 50, 25};
    const int c = width - kShadow;
    const int h = height - kShadow;
    for (int y = kShadow; y < height; ++y) {
        for (int x = kShadow; x < width; ++x) {
            if (x < c && y < h) continue;
            const int dx = x >= c ? x - c : -1;
            const int dy = y >= h ? y - h : -1;
            const int distance = dx > dy ? dx : dy;
            std::uint32_t& p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                                      static_cast<size_t>(x)];
            const Rgb dark = Darken(Rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF),
                                    kDarken[distance]);
            p = (static_cast<std::uint32_t>(dark.r) << 16) |
                (static_cast<std::uint32_t>(dark.g) << 8) | dark.b;
        }
    }
}

void CaptureBehind(MenuWindowRecord& record, int x, int y, int width, int height) {
    if (width <= kShadow || height <= kShadow) return;
    void* bits = nullptr;
    WindowDC screen(nullptr);
    auto behind = std::make_unique<BitmapDC>();
    if (!behind->CreateDib(screen.Get(), width, height, &bits)) return;
    ::BitBlt(behind->Get(), 0, 0, width, height, screen.Get(), x, y, SRCCOPY);
    ::GdiFlush();
    DarkenShadowStrips(static_cast<std::uint32_t*>(bits), width, height);
    record.behind = std::move(behind);
    record.width = width;
    record.height = height;
}

void PaintFrame(HWND wnd, MenuWindowRecord& record) {
    const CMenuStyle& style = ActiveMenuStyle();
    if (!PaintsFrame(style)) return;
    WindowDC window(wnd, WindowDC::kWholeWindow);
    HDC dc = window.Get();
    if (!dc) return;
    style.DrawWindowFrame(wnd, dc, record.shadow);
    RECT place{};
    ::GetWindowRect(wnd, &place);
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    if (record.shadow && record.behind && record.width == width &&
        record.height == height) {
        ::BitBlt(dc, width - kShadow, 0, kShadow, height, record.behind->Get(), width - kShadow, 0,
                 SRCCOPY);
        ::BitBlt(dc, 0, height - kShadow, width, kShadow, record.behind->Get(), 0,
                 height - kShadow, SRCCOPY);
    }
}

LRESULT MenuWindowRecord::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const HWND wnd = GetHwnd();
    const CMenuStyle& style = ActiveMenuStyle();

    switch (msg) {
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        if (!shadow || !PaintsFrame(style)) break;
        RECT now{};
        ::GetWindowRect(wnd, &now);
        if (!(pos->flags & SWP_NOSIZE)) {
            // The system sizes the window for its items; the shadow needs more.
            pos->cx += kShadow;
            pos->cy += kShadow;
            enlarged = true;
        } else if ((pos->flags & SWP_SHOWWINDOW) && !enlarged) {
            pos->cx = now.right - now.left + kShadow;
            pos->cy = now.bottom - now.top + kShadow;
            pos->flags &= ~SWP_NOSIZE;
            enlarged = true;
        }
        if (pos->flags & SWP_SHOWWINDOW) {
            const int x = (pos->flags & SWP_NOMOVE) ? now.left : pos->x;
            const int y = (pos->flags & SWP_NOMOVE) ? now.top : pos->y;
            const int width = (pos->flags & SWP_NOSIZE) ? now.right - now.left : pos->cx;
            const int height = (pos->flags & SWP_NOSIZE) ? now.bottom - now.top : pos->cy;
            CaptureBehind(*this, x, y, width, height);
        }
        break;
    }
    case WM_ERASEBKGND:
        if (style.DrawsFrame()) {
            RECT client{};
            ::GetClientRect(wnd, &client);
            client.left -= 2;
            if (style.HasBorder()) client.right -= 1;
            BrushHandle brush(::CreateSolidBrush(style.ClientColour()));
            ::FillRect(reinterpret_cast<HDC>(wp), &client, brush.Get());
            return 1;
        }
        break;
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_PRINT: {
        const LRESULT result = CWndHook::HandleMessage(msg, wp, lp);
        PaintFrame(wnd, *this);
        return result;
    }
    case WM_NCDESTROY: {
        const LRESULT result = CWndHook::HandleMessage(msg, wp, lp);
        ::RemovePropA(wnd, kOldProcProperty);
        Records().erase(wnd);  // ends this record, and with it the hook
        return result;
    }
    default:
        break;
    }
    return CWndHook::HandleMessage(msg, wp, lp);
}

void TakeOver(HWND wnd) {
    auto record = std::make_unique<MenuWindowRecord>();
    record->shadow = !SystemDrawsShadows();
    ::SetPropA(wnd, kOldProcProperty,
               reinterpret_cast<HANDLE>(::GetWindowLongPtrA(wnd, GWLP_WNDPROC)));
    record->Subclass(wnd);
    if (MenuTransparency() < 255) {
        ::SetWindowLongPtrA(wnd, GWL_EXSTYLE, ::GetWindowLongPtrA(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
        ::SetLayeredWindowAttributes(wnd, 0, static_cast<BYTE>(MenuTransparency()), LWA_ALPHA);
    }
    Records()[wnd] = std::move(record);
}

LRESULT CALLBACK CallWndHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
        const bool watched = call->message == WM_CREATE || call->message == WM_WINDOWPOSCHANGING ||
                             call->message == WM_SIZE;
        if (watched && !Find(call->hwnd) && IsMenuWindow(call->hwnd)) {
            HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(call->hwnd, kGetMenuMessage, 0, 0));
            if ((menu && ThemedMenuOf(menu)) || (menu && MenuBorderForAll())) {
                TakeOver(call->hwnd);
            }
        }
    }
    return ::CallNextHookEx(g_hook, code, wp, lp);
}

// A hook on every sent message costs a round trip to the window server per
// message, all the time; this one runs only when windows are made or go.
LRESULT CALLBACK WatchHook(int code, WPARAM wp, LPARAM lp) {
    const HWND wnd = reinterpret_cast<HWND>(wp);
    if (code == HCBT_CREATEWND && IsMenuWindow(wnd)) {
        ++g_menuWindows;
        if (!g_hook)
            g_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &CallWndHook, nullptr,
                                         ::GetCurrentThreadId());
    } else if (code == HCBT_DESTROYWND && IsMenuWindow(wnd) && g_menuWindows > 0 &&
               --g_menuWindows == 0 && g_hook) {
        ::UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
    }
    return ::CallNextHookEx(g_watch, code, wp, lp);
}

}  // namespace

bool InstallMenuWindowHook() {
    if (!g_watch) g_watch = ::SetWindowsHookExA(WH_CBT, &WatchHook, nullptr, ::GetCurrentThreadId());
    return g_watch != nullptr;
}

int TakenOverMenuWindowCount() { return static_cast<int>(Records().size()); }

bool SelectMenuTheme(int number, bool borderForAll) {
    ChooseMenuTheme(number, borderForAll);
    return InstallMenuWindowHook();
}
