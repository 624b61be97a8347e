// Window hooks and the notification-area icon, in-process: the shell call and
// the menu tracking are replaced so the test sees what would reach them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/tray/tray_icon.h"
#include "controls/menus/themed_menu.h"
#include "platform/wnd.h"
#include "platform/wnd_hook.h"
#include "tests/support/message_log.h"
#include "tests/support/windows_and_processes.h"

namespace {

constexpr UINT kProbe = WM_APP + 7;

// Answers kProbe with its own mark added to what the rest of the chain says.
class MarkingHook : public CWndHook {
public:
    explicit MarkingHook(LRESULT mark) : m_mark(mark) {}
    int seen = 0;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != kProbe) return CWndHook::HandleMessage(msg, wp, lp);
        ++seen;
        return m_mark + CWndHook::HandleMessage(msg, wp, lp);
    }

private:
    LRESULT m_mark;
};

LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kProbe) return 1;
    return ::DefWindowProcA(wnd, msg, wp, lp);
}

LONG_PTR ProcOf(HWND wnd) { return ::GetWindowLongPtrA(wnd, GWLP_WNDPROC); }

struct TestWindow {
    HWND wnd = CreateTestParent();
    TestWindow() { ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProbeProc)); }
    ~TestWindow() {
        if (::IsWindow(wnd)) ::DestroyWindow(wnd);
    }
};

}  // namespace

TEST(WndHook, ChainsReleaseInAnyOrderAndRestoreTheOriginalProcedure) {
    TestWindow w;
    const LONG_PTR original = ProcOf(w.wnd);
    MarkingHook older(10);
    MarkingHook newer(100);
    older.Subclass(w.wnd);
    newer.Subclass(w.wnd);
    EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 111);
    const LONG_PTR hooked = ProcOf(w.wnd);
    EXPECT_NE(hooked, original);

    // Releasing the older hook leaves the newer one working and the
    // procedure as it was.
    older.Subclass(nullptr);
    EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 101);
    EXPECT_EQ(ProcOf(w.wnd), hooked);
    EXPECT_EQ(older.seen, 1);

    newer.Subclass(nullptr);
    EXPECT_EQ(ProcOf(w.wnd), original);
    EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 1);
    EXPECT_EQ(WndHookMap().count(w.wnd), 0u);

    // Newest first, and a hook going out of scope unlinks itself.
    older.Subclass(w.wnd);
    {
        MarkingHook scoped(1000);
        scoped.Subclass(w.wnd);
        EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 1011);
    }
    EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 11);
    older.Subclass(nullptr);
    EXPECT_EQ(ProcOf(w.wnd), original);
}

TEST(WndHook, DestroyingTheWindowReleasesEveryHook) {
    TestWindow w;
    MarkingHook a(10), b(100), c(1000);
    a.Subclass(w.wnd);
    b.Subclass(w.wnd);
    c.Subclass(w.wnd);
    b.Subclass(nullptr);  // a gap in the middle first
    ::DestroyWindow(w.wnd);
    EXPECT_FALSE(a.IsHooked());
    EXPECT_FALSE(b.IsHooked());
    EXPECT_FALSE(c.IsHooked());
    EXPECT_EQ(WndHookMap().count(w.wnd), 0u);
}

namespace {
class ProbeWnd : public CWnd {
public:
    LRESULT OnProbe() { return 5; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ProbeWnd, CWnd)
    OnPrivateMessage<kProbe, &ThisClass::OnProbe>(),
END_MESSAGE_MAP()
}  // namespace

TEST(WndHook, SitsOnTopOfAClassLayerWindowAndBothLetGoAtDestruction) {
    TestWindow w;
    const LONG_PTR original = ProcOf(w.wnd);
    ProbeWnd object;
    ASSERT_TRUE(object.SubclassWindow(w.wnd));
    MarkingHook hook(10);
    hook.Subclass(w.wnd);
    EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 15);
    hook.Subclass(nullptr);
    EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 5);

    hook.Subclass(w.wnd);
    ::DestroyWindow(w.wnd);
    EXPECT_FALSE(hook.IsHooked());
    EXPECT_EQ(object.GetSafeHwnd(), nullptr);
    (void)original;
}

namespace {

struct ShellCall {
    DWORD operation;
    UINT flags;
    HICON icon;
    std::string tip;
};

struct TrackedItem {
    std::string text;
    UINT command;
    bool ownerDrawn;
};

// Outlives the icon: the icon's destructor still calls the shell.
struct Recorder {
    std::vector<ShellCall> shell;
    BOOL shellResult = TRUE;
    std::vector<TrackedItem> items;
    int defaultPosition = -2;
    int tracks = 0;
    POINT at{};
};

class TestTrayIcon : public CTrayIcon {
public:
    using CTrayIcon::PlatformMessageFilter;
    using CTrayIcon::SetMessageFilterCall;
    explicit TestTrayIcon(Recorder& r) : m_r(r) {
        SetShellCall([&r](DWORD op, NOTIFYICONDATAA* data) {
            EXPECT_EQ(data->cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V3_SIZE));
            r.shell.push_back({op, data->uFlags, data->hIcon, data->szTip});
            return r.shellResult;
        });
    }

protected:
    void TrackTrayMenu(CThemedMenu& menu, int x, int y, HWND) override {
        ++m_r.tracks;
        m_r.at = {x, y};
        HMENU h = menu.GetSafeHmenu();
        m_r.defaultPosition = static_cast<int>(::GetMenuDefaultItem(h, TRUE, 0));
        for (int i = 0; i < ::GetMenuItemCount(h); ++i) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_ID;
            ::GetMenuItemInfoA(h, static_cast<UINT>(i), TRUE, &info);
            const CThemedMenuItemData* data = menu.ItemData(i);
            m_r.items.push_back({data ? data->text : "?", info.wID,
                                 (info.fType & MFT_OWNERDRAW) != 0});
        }
    }

private:
    Recorder& m_r;
};

struct TrayFixture : ::testing::Test {
    HWND wnd = CreateTestParent();
    MessageLog log{wnd};  // what reaches the window past the icon's hook
    Recorder r;
    ~TrayFixture() override { ::DestroyWindow(wnd); }
    std::vector<UINT> Commands() const {
        std::vector<UINT> ids;
        for (const LoggedMessage& m : log.Of(WM_COMMAND)) ids.push_back(LOWORD(m.wp));
        return ids;
    }
    void Mouse(UINT mouseMessage, UINT id = kTrayIconId) {
        ::SendMessageA(wnd, WM_USER, id, static_cast<LPARAM>(mouseMessage));
    }
    static std::vector<std::string> Texts(const Recorder& r) {
        std::vector<std::string> texts;
        for (const auto& item : r.items) texts.push_back(item.text);
        return texts;
    }
};

HICON AppIcon() { return ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); }

}  // namespace

TEST_F(TrayFixture, RightClickMenuFollowsVisibility) {
    TestTrayIcon tray(r);
    tray.SetNotifyWnd(wnd);
    EXPECT_EQ(tray.Record().uID, 164u);
    EXPECT_EQ(tray.Record().uCallbackMessage, static_cast<UINT>(WM_USER));

    ::ShowWindow(wnd, SW_SHOW);
    ::SetCursorPos(400, 300);
    Mouse(WM_RBUTTONUP);
    ASSERT_EQ(r.tracks, 1);
    EXPECT_EQ(Texts(r), (std::vector<std::string>{"Hide", "Show", "Exit"}));
    EXPECT_EQ(r.items[0].command, 32774u);
    EXPECT_EQ(r.items[1].command, 32773u);
    EXPECT_EQ(r.items[2].command, 32772u);
    EXPECT_EQ(r.defaultPosition, 0);
    for (const auto& item : r.items) EXPECT_TRUE(item.ownerDrawn) << item.text;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    EXPECT_EQ(r.at.x, cursor.x);
    EXPECT_EQ(r.at.y, cursor.y - 35);

    ::ShowWindow(wnd, SW_HIDE);
    r.items.clear();
    Mouse(WM_RBUTTONUP);
    EXPECT_EQ(Texts(r), (std::vector<std::string>{"Show", "Hide", "Exit"}));
    EXPECT_EQ(r.items[0].command, 32773u);
    EXPECT_EQ(r.defaultPosition, 0);
    EXPECT_TRUE(Commands().empty());  // the window still got only the callback
}

TEST_F(TrayFixture, DoubleClickSendsTheFirstCommandAndOtherMouseMessagesDoNothing) {
    TestTrayIcon tray(r);
    tray.SetNotifyWnd(wnd);
    ::ShowWindow(wnd, SW_SHOW);
    Mouse(WM_LBUTTONDBLCLK);
    ::ShowWindow(wnd, SW_HIDE);
    Mouse(WM_LBUTTONDBLCLK);
    EXPECT_EQ(Commands(), (std::vector<UINT>{32774, 32773}));
    EXPECT_EQ(r.tracks, 0);

    log.Clear();
    for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONDBLCLK})
        Mouse(m);
    Mouse(WM_RBUTTONUP, 165);  // another icon's
    Mouse(WM_LBUTTONDBLCLK, 165);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(r.tracks, 0);
    EXPECT_TRUE(r.shell.empty());
}

TEST_F(TrayFixture, ShellOperationsFollowWhatTheRecordHolds) {
    {
        TestTrayIcon tray(r);
        // Nothing shown: removing succeeds without the shell.
        EXPECT_TRUE(tray.SetTrayIcon(nullptr));
        EXPECT_TRUE(r.shell.empty());

        tray.SetNotifyWnd(wnd);
        char tip[24];
        FormatTrayTip(tip, 2008, 1, 9);
        EXPECT_STREQ(tip, "2008-1-9");
        EXPECT_TRUE(tray.SetTrayIcon(AppIcon(), tip));
        ASSERT_EQ(r.shell.size(), 1u);
        EXPECT_EQ(r.shell[0].operation, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(r.shell[0].flags, static_cast<UINT>(NIF_ICON | NIF_TIP | NIF_MESSAGE));
        EXPECT_EQ(r.shell[0].tip, "2008-1-9");

        // The taskbar comes back: the icon is added again with the same tip.
        ::SendMessageA(wnd, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
        ASSERT_EQ(r.shell.size(), 2u);
        EXPECT_EQ(r.shell[1].operation, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(r.shell[1].flags, static_cast<UINT>(NIF_ICON | NIF_TIP | NIF_MESSAGE));
        EXPECT_EQ(r.shell[1].tip, "2008-1-9");
        EXPECT_TRUE(tray.IsIconShown());

        // Another icon modifies; a failed re-add leaves it absent, so the
        // next icon is added again.
        EXPECT_TRUE(tray.SetTrayIcon(AppIcon()));
        EXPECT_EQ(r.shell.back().operation, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(r.shell.back().tip, "2008-1-9");
        r.shellResult = FALSE;
        ::SendMessageA(wnd, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
        EXPECT_FALSE(tray.IsIconShown());
        r.shellResult = TRUE;
        EXPECT_TRUE(tray.SetTrayIcon(AppIcon()));
        EXPECT_EQ(r.shell.back().operation, static_cast<DWORD>(NIM_ADD));

        // A tip longer than the record keeps 127 characters, terminated.
        const std::string longTip(300, 'x');
        tray.SetTrayIcon(AppIcon(), longTip.c_str());
        EXPECT_EQ(r.shell.back().tip, std::string(127, 'x'));
        r.shell.clear();
    }
    // Going away removes the icon.
    ASSERT_EQ(r.shell.size(), 1u);
    EXPECT_EQ(r.shell[0].operation, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(TrayFixture, AChildNotifyWindowAlsoHooksItsTopLevelParent) {
    HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, wnd, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    TestTrayIcon tray(r);
    tray.SetNotifyWnd(child);
    tray.SetTrayIcon(AppIcon(), "tip");
    ::SendMessageA(wnd, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
    ASSERT_EQ(r.shell.size(), 2u);
    EXPECT_EQ(r.shell[1].operation, static_cast<DWORD>(NIM_ADD));
    // The callback counts only on the notification window itself.
    Mouse(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Commands().empty());

    // Moving to the top-level window itself lets go of the parent hook: the
    // broadcast is answered once, not once per hook.
    tray.SetNotifyWnd(wnd);
    r.shell.clear();
    ::SendMessageA(wnd, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_EQ(r.shell.size(), 1u);
    ::DestroyWindow(child);
}

TEST_F(TrayFixture, TheTopLevelWindowLetsTaskbarCreatedThroughItsMessageFilter) {
    std::vector<std::pair<HWND, UINT>> asked;
    HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, wnd, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    {
        TestTrayIcon tray(r);
        tray.SetMessageFilterCall([&](HWND w, UINT m) {
            asked.emplace_back(w, m);
            return TRUE;
        });
        tray.SetNotifyWnd(child);  // the broadcast reaches the top-level window only
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].first, wnd);
        EXPECT_EQ(asked[0].second, CTrayIcon::TaskbarCreatedMessage());
    }
    {
        // Where the platform has no filter, nothing is asked and all works.
        TestTrayIcon tray(r);
        tray.SetMessageFilterCall(nullptr);
        tray.SetNotifyWnd(wnd);
        tray.SetTrayIcon(AppIcon(), "tip");
        ::SendMessageA(wnd, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
        EXPECT_EQ(r.shell.size(), 2u);
    }
    // The real call: found exactly where user32 exports it, and it works.
    const bool exported = ::GetProcAddress(::GetModuleHandleA("user32.dll"),
                                           "ChangeWindowMessageFilterEx") != nullptr;
    const auto platform = TestTrayIcon::PlatformMessageFilter();
    EXPECT_EQ(static_cast<bool>(platform), exported);
    if (platform) {
        EXPECT_TRUE(platform(wnd, CTrayIcon::TaskbarCreatedMessage()));
    }
    ::DestroyWindow(child);
}

TEST_F(TrayFixture, ARefusedAddIsTriedAgainUntilTheShellTakesTheIcon) {
    TestTrayIcon tray(r);
    tray.SetNotifyWnd(wnd);
    log.Clear();

    // No taskbar yet: the add fails, and the taskbar appearing brings it.
    r.shellResult = FALSE;
    EXPECT_FALSE(tray.SetTrayIcon(AppIcon(), "2008-1-9"));
    EXPECT_FALSE(tray.IsIconShown());
    EXPECT_TRUE(tray.IsRetryPending());
    r.shellResult = TRUE;
    ::SendMessageA(wnd, CTrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(tray.IsIconShown());
    EXPECT_FALSE(tray.IsRetryPending());

    // No broadcast at all: the timer keeps offering the icon (the add, then
    // a change in case the shell did take it) until it is taken.
    tray.SetTrayIcon(nullptr);
    r.shell.clear();
    r.shellResult = FALSE;
    EXPECT_FALSE(tray.SetTrayIcon(AppIcon()));
    ASSERT_TRUE(PumpUntil([&] { return r.shell.size() >= 3; }, 3 * kTrayRetryPeriodMs));
    EXPECT_EQ(r.shell[1].operation, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(r.shell[2].operation, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_FALSE(tray.IsIconShown());
    r.shellResult = TRUE;
    ASSERT_TRUE(PumpUntil([&] { return tray.IsIconShown(); }, 3 * kTrayRetryPeriodMs));
    EXPECT_EQ(r.shell.back().operation, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(r.shell.back().flags, static_cast<UINT>(NIF_ICON | NIF_TIP | NIF_MESSAGE));
    EXPECT_EQ(r.shell.back().tip, "2008-1-9");
    EXPECT_FALSE(tray.IsRetryPending());
    const size_t calls = r.shell.size();
    PumpUntil([] { return false; }, kTrayRetryPeriodMs + 500);
    EXPECT_EQ(r.shell.size(), calls);  // the timer stopped
    EXPECT_EQ(log.Count(WM_TIMER), 0);  // and the window never saw it
}

TEST(WndHook, AClassLayerObjectAndAHookBelowItLetGoInEitherOrder) {
    TestWindow w;
    const LONG_PTR original = ProcOf(w.wnd);
    for (bool objectFirst : {true, false}) {
        MarkingHook hook(10);
        hook.Subclass(w.wnd);
        auto object = std::make_unique<ProbeWnd>();
        ASSERT_TRUE(object->SubclassWindow(w.wnd));
        EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 5);  // the newest answers
        if (objectFirst) {
            object.reset();
            EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 11);
            hook.Subclass(nullptr);
        } else {
            hook.Subclass(nullptr);
            ::SetWindowTextA(w.wnd, "still");  // unhandled: reaches the original
            EXPECT_EQ(object->GetWindowText(), "still");
            object.reset();
        }
        EXPECT_EQ(ProcOf(w.wnd), original) << objectFirst;
        EXPECT_EQ(::SendMessageA(w.wnd, kProbe, 0, 0), 1);
        EXPECT_EQ(CWnd::FromHandle(w.wnd), nullptr);
    }
}
