// The class layer: message maps, reflection, subclassing and the modal loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/handles.h"
#include "platform/wnd.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/pictures.h"
#include "tests/support/windows_and_processes.h"

namespace {

class BaseWnd : public CWnd {
public:
    std::vector<std::string> log;
    DECLARE_MESSAGE_MAP()
protected:
    LRESULT OnUser5(WPARAM wp, LPARAM) {
        log.push_back("base user5 " + std::to_string(wp));
        return 55;
    }
    void OnCmd10() { log.push_back("base cmd10"); }
};
BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    OnPrivateMessage<WM_USER + 5, &ThisClass::OnUser5>(),
    OnCommand(10, &ThisClass::OnCmd10),
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
public:
    DECLARE_MESSAGE_MAP()
private:
    void OnCmd10() { log.push_back("derived cmd10"); }
    void OnRange(UINT id) { log.push_back("range " + std::to_string(id)); }
};
BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    OnCommand(10, &ThisClass::OnCmd10),
    OnCommandRange(20, 29, &ThisClass::OnRange),
END_MESSAGE_MAP()

class ChildButton : public CWnd {
public:
    int clicks = 0;
    bool consume = false;
protected:
    bool OnReflectedCommand(UINT code) override {
        if (code == BN_CLICKED) {
            ++clicks;
            return consume;
        }
        return false;
    }
};

class Parent : public CWnd {
public:
    std::vector<UINT> commands;
    DECLARE_MESSAGE_MAP()
private:
    void OnAny(UINT id) { commands.push_back(id); }
};
BEGIN_MESSAGE_MAP(Parent, CWnd)
    OnCommandRange(1, 100, &ThisClass::OnAny),
END_MESSAGE_MAP()

}  // namespace

TEST(MessageMap, DerivedEntriesWinAndUnhandledOnesReachTheBaseAndThenDefault) {
    HWND wnd = CreateTestParent();
    DerivedWnd object;
    WNDPROC before = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(wnd, GWLP_WNDPROC));
    ASSERT_TRUE(object.SubclassWindow(wnd));
    EXPECT_EQ(CWnd::FromHandle(wnd), &object);
    EXPECT_FALSE(DerivedWnd().SubclassWindow(wnd));  // one object per window

    EXPECT_EQ(::SendMessageA(wnd, WM_USER + 5, 3, 0), 55);
    ::SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(10, 0), 0);
    ::SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(25, 0), 0);
    ::SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(30, 0), 0);           // no entry
    ::SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(25, EN_CHANGE), 0);  // other code
    EXPECT_EQ(object.log, std::vector<std::string>({"base user5 3", "derived cmd10", "range 25"}));

    // Unhandled messages still work through the previous procedure.
    ::SetWindowTextA(wnd, "renamed");
    EXPECT_EQ(object.GetWindowText(), "renamed");

    ::DestroyWindow(wnd);
    EXPECT_EQ(object.m_hWnd, nullptr);  // detached at WM_NCDESTROY
    (void)before;
}

TEST(MessageMap, ControlNotificationsAreOfferedToTheControlFirst) {
    HWND parentWnd = CreateTestParent();
    Parent parent;
    ASSERT_TRUE(parent.SubclassWindow(parentWnd));
    HWND button = ::CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 40, 20, parentWnd,
                                    reinterpret_cast<HMENU>(42), nullptr, nullptr);
    ChildButton child;
    ASSERT_TRUE(child.SubclassWindow(button));

    ::SendMessageA(parentWnd, WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(child.clicks, 1);
    EXPECT_EQ(parent.commands, std::vector<UINT>({42}));  // not consumed: parent sees it

    child.consume = true;
    ::SendMessageA(parentWnd, WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(child.clicks, 2);
    EXPECT_EQ(parent.commands.size(), 1u);
    ::DestroyWindow(parentWnd);
    EXPECT_EQ(child.m_hWnd, nullptr);
}

namespace {
// The window's own procedure answers 7 where a handler runs the default.
LRESULT CALLBACK AnswersSeven(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return msg == WM_MOUSEMOVE ? 7 : ::DefWindowProcA(wnd, msg, wp, lp);
}

class CrackedWnd : public CWnd {
public:
    UINT keys = 0;
    POINT at{};
    bool runDefault = false;
    UINT key = 0, repeat = 0, flags = 0;
    DECLARE_MESSAGE_MAP()

private:
    void OnMouseMove(UINT held, POINT where) {
        keys = held;
        at = where;
        if (runDefault) Default();
    }
    void OnKeyDown(UINT k, UINT count, UINT keyFlags) {
        key = k;
        repeat = count;
        flags = keyFlags;
    }
    BOOL OnEraseBkgnd(HDC) { return 5; }
};
BEGIN_MESSAGE_MAP(CrackedWnd, CWnd)
    OnMessage<WM_MOUSEMOVE, &ThisClass::OnMouseMove>(),
    OnMessage<WM_KEYDOWN, &ThisClass::OnKeyDown>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBkgnd>(),
END_MESSAGE_MAP()
}  // namespace

TEST(MessageCrackers, UnpackSignedPointsAndKeysAndAnswerWhatTheDefaultAnsweredIfItRan) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &AnswersSeven;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VellumoCrackerTest";
    ::RegisterClassA(&wc);
    HWND wnd = ::CreateWindowExA(0, "VellumoCrackerTest", "", WS_POPUP, 0, 0, 40, 40, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    ASSERT_NE(wnd, nullptr);
    CrackedWnd object;
    ASSERT_TRUE(object.SubclassWindow(wnd));

    // Left of and above the primary monitor, a point is negative.
    EXPECT_EQ(::SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, -300)), 0);
    EXPECT_EQ(object.keys, static_cast<UINT>(MK_LBUTTON));
    EXPECT_EQ(object.at.x, -5);
    EXPECT_EQ(object.at.y, -300);
    object.runDefault = true;
    EXPECT_EQ(::SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(70, 40000)), 7);
    EXPECT_EQ(object.at.x, 70);
    EXPECT_EQ(object.at.y, 40000 - 65536);

    EXPECT_EQ(::SendMessageA(wnd, WM_KEYDOWN, VK_NEXT, MAKELPARAM(3, 0x4151)), 0);
    EXPECT_EQ(object.key, static_cast<UINT>(VK_NEXT));
    EXPECT_EQ(object.repeat, 3u);
    EXPECT_EQ(object.flags, 0x4151u);
    EXPECT_EQ(::SendMessageA(wnd, WM_ERASEBKGND, 0, 0), 5);
    ::DestroyWindow(wnd);
    EXPECT_EQ(object.m_hWnd, nullptr);
}

namespace {
class EndingDialog : public CDialog {
public:
    EndingDialog(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}
    bool ownerDisabledDuringRun = false;
    bool initialised = false;
    HWND owner = nullptr;
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        initialised = true;
        owner = ::GetWindow(m_hWnd, GW_OWNER);
        ownerDisabledDuringRun = owner && !::IsWindowEnabled(owner);
        return TRUE;
    }
};
}  // namespace

TEST(ModalDialog, RunsItsOwnLoopDisablesTheOwnerAndEndsOnEndDialog) {
    HWND ownerWnd = CreateTestParent();
    CWnd owner;
    ASSERT_TRUE(owner.SubclassWindow(ownerWnd));
    EndingDialog dialog(&owner);
    // IDOK from the dialog's own button ends the run with IDOK.
    ModalScript script;
    script.Then([] {
        HWND box = ::FindWindowA(nullptr, "About Vellumo");
        if (!box || !::IsWindowVisible(box)) return false;
        PostClick(box, IDOK);
        return true;
    });
    EXPECT_EQ(script.Run([&] { return dialog.DoModal(); }), IDOK);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.owner, ownerWnd);
    EXPECT_TRUE(dialog.ownerDisabledDuringRun);
    EXPECT_TRUE(::IsWindowEnabled(ownerWnd));
    EXPECT_EQ(dialog.m_hWnd, nullptr);  // destroyed after the run
    ::DestroyWindow(ownerWnd);
}

TEST(ModalDialog, APostedQuitEndsTheRunAndIsPostedAgainForOuterLoops) {
    EndingDialog dialog(nullptr);
    ::PostQuitMessage(3);
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

namespace {
class FailingWnd : public CWnd {
public:
    bool finished = false;
    DECLARE_MESSAGE_MAP()
private:
    static void Write() { throw CFileException::FromOsError(ERROR_ACCESS_DENIED, "C:\\Memo.txt"); }
    LRESULT OnSave(WPARAM, LPARAM) {
        Write();
        finished = true;
        return 1;
    }
};
BEGIN_MESSAGE_MAP(FailingWnd, CWnd)
    OnPrivateMessage<WM_USER + 7, &ThisClass::OnSave>(),
END_MESSAGE_MAP()
}  // namespace

// The file layer only says what went wrong; the window procedure that ran
// the handler shows it, in the application's box, and the message ends there.
TEST(MessageMap, AFileErrorEndsTheHandlerWithItsStandardTextInTheApplicationsBox) {
    HWND wnd = CreateTestParent();
    FailingWnd object;
    ASSERT_TRUE(object.SubclassWindow(wnd));
    std::string text;
    ModalScript script;
    script.Answer("Vellumo", IDOK, &text);
    EXPECT_EQ(script.Run([&] { return ::SendMessageA(wnd, WM_USER + 7, 0, 0); }), 0);
    EXPECT_EQ(text, "Access to C:\\Memo.txt was denied.");
    EXPECT_FALSE(object.finished);
    ::DestroyWindow(wnd);
}

TEST(GdiCount, FollowsObjectsMadeAndDeleted) {
    const int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    {
        BrushHandle brushes[5];
        for (BrushHandle& b : brushes) b.Reset(::CreateSolidBrush(RGB(1, 2, 3)));
        EXPECT_EQ(CountGdiObjects(), before + 5);
    }
    EXPECT_EQ(CountGdiObjects(), before);
}
