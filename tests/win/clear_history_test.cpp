// The history cleaner run modally in-process, driven from a timer, with the
// plug-in stand-ins chosen through the DLL search folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tools/dlg_clear_history.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"

namespace {

const std::string kItems0And2 = std::string(29, '0') + "101";

class ClearHistory : public ::testing::Test {
protected:
    void UsePlugin(const std::string& variant) {
        dir_ = SupportDir(variant);
        ::DeleteFileA(Log().c_str());
        ASSERT_TRUE(::SetDllDirectoryA(dir_.c_str()));
    }
    void UseNoPlugin() {
        dir_ = FreshTempDir("vellumo-no-plugin");
        ASSERT_TRUE(::SetDllDirectoryA(dir_.c_str()));
    }
    // The recording stand-in, taking `delayMs` over its clean; nothing stored.
    void UseSlowPlugin(const char* delayMs) {
        UsePlugin("scourwell");
        ::SetEnvironmentVariableA("SCOURWELL_STANDIN_DELAY_MS", delayMs);
        StoreCleanOption(nullptr);
    }
    std::string Log() const { return dir_ + "\\Scourwell.log"; }
    void TearDown() override {
        ::SetDllDirectoryA(nullptr);
        ::SetEnvironmentVariableA("SCOURWELL_STANDIN_DELAY_MS", nullptr);
    }

    // Runs the dialog with `steps`; fails the test when they time out.
    void Run(CDlgClearHistory& dialog, std::vector<ModalScript::Step> steps,
             DWORD timeoutMs = 30000) {
        steps.push_back([&] {
            dialog.PostMessage(WM_COMMAND, IDCANCEL);
            return true;
        });
        ModalScript script(timeoutMs, std::move(steps));
        script.OnTimeout([&] { dialog.EndDialog(IDCANCEL); });
        script.Run([&] { return dialog.DoModal(); });
    }

    std::string dir_;
};

bool Checked(HWND dialog, int item) {
    return ::SendDlgItemMessageA(dialog, IDC_CLEAN_FIRST + item, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<int> CheckedItems(HWND dialog) {
    std::vector<int> items;
    for (int i = 0; i < 9; ++i)
        if (Checked(dialog, i)) items.push_back(i);
    return items;
}

void CheckOnly(HWND dialog, const std::vector<int>& items) {
    for (int i = 0; i < 9; ++i) ::SendDlgItemMessageA(dialog, IDC_CLEAN_FIRST + i, BM_SETCHECK, 0, 0);
    for (int i : items) ::SendDlgItemMessageA(dialog, IDC_CLEAN_FIRST + i, BM_SETCHECK, 1, 0);
}

// A step: check only `items` and press "Clear".
ModalScript::Step CheckAndClear(CDlgClearHistory& dialog, std::vector<int> items) {
    return [&dialog, items] {
        CheckOnly(dialog.m_hWnd, items);
        PostClick(dialog.m_hWnd, IDOK);
        return true;
    };
}

std::string Status(HWND dialog) {
    char text[64] = {};
    ::GetDlgItemTextA(dialog, IDC_STATUS, text, sizeof text);
    return text;
}

std::string ExpectedRun(int selectedA, int selectedB) {
    std::string log = "create\n";
    for (int i = 0; i < 12; ++i)
        log += "select " + std::to_string(i) + " " + (i == selectedA || i == selectedB ? "1" : "0") + "\n";
    return log + "execute\nreport 1\nexecute done\ndestroy\n";
}

// While the UI thread waits in "Cancel", invalidates the strip again and
// again and counts how often the UI thread painted it.
struct Watch {
    HWND strip = nullptr;
    volatile LONG stop = 0;
    LONG repaints = 0;
};

DWORD WINAPI WatchRepaints(LPVOID p) {
    auto* w = static_cast<Watch*>(p);
    while (!w->stop) {
        ::InvalidateRect(w->strip, nullptr, FALSE);
        ::Sleep(60);
        if (!::GetUpdateRect(w->strip, nullptr, FALSE)) ++w->repaints;
    }
    return 0;
}

}  // namespace

TEST_F(ClearHistory, OpensWithTheStoredSelection) {
    UseNoPlugin();
    struct Case {
        const char* stored;
        std::vector<int> checked;
    } cases[] = {
        {nullptr, {0, 1, 2, 3, 4, 5, 6, 7, 8}},  // nothing stored: everything
        {"00000000000000000000000101000001", {0, 6, 8}},
        {"", {}},
        {"10x", {0, 1, 2, 3, 4, 5, 6, 7, 8}},  // unreadable: as if missing
    };
    for (const Case& c : cases) {
        StoreCleanOption(c.stored);
        CDlgClearHistory dialog;
        std::vector<int> seen{-1};
        std::string status = "?";
        Run(dialog, {[&] {
                seen = CheckedItems(dialog.m_hWnd);
                status = Status(dialog.m_hWnd);
                return true;
            }});
        EXPECT_EQ(seen, c.checked) << (c.stored ? c.stored : "<none>");
        EXPECT_EQ(status, "");
        EXPECT_EQ(StoredCleanOption(), c.stored ? c.stored : "<none>");  // Cancel stores nothing
    }
}

TEST_F(ClearHistory, PluginGetsEveryItemInOrderThenOneExecuteAndTheSelectionIsStored) {
    UseSlowPlugin("300");
    CDlgClearHistory dialog;
    HWND wnd = nullptr;
    bool disabledWhileRunning = false, emptyWhileRunning = false, cyclingWhileRunning = false;
    std::string firstLog, firstStatus;
    Run(dialog, {
        [&] {
            wnd = dialog.m_hWnd;
            CheckOnly(wnd, {0, 2});
            PostClick(wnd, IDOK);
            return true;
        },
        [&] { return !::IsWindowEnabled(::GetDlgItem(wnd, IDOK)); },
        [&] {
            disabledWhileRunning = true;
            emptyWhileRunning = Status(wnd).empty();
            cyclingWhileRunning = dialog.Progress().IsCycling();
            return true;
        },
        [&] { return Status(wnd) == "Completed !"; },
        [&] {
            firstLog = ReadFileText(Log());
            firstStatus = StoredCleanOption();
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(wnd, IDOK)));
            EXPECT_FALSE(dialog.Progress().IsCycling());
            // Enter starts the second clean, as "Clear" does.
            CheckOnly(wnd, {1, 8});
            ::SetFocus(::GetDlgItem(wnd, IDC_CLEAN_FIRST));
            ::PostMessageA(::GetDlgItem(wnd, IDC_CLEAN_FIRST), WM_KEYDOWN, VK_RETURN, 0);
            return true;
        },
        [&] { return !::IsWindowEnabled(::GetDlgItem(wnd, IDOK)); },
        [&] { return Status(wnd) == "Completed !"; },
    });
    EXPECT_TRUE(disabledWhileRunning);
    EXPECT_TRUE(emptyWhileRunning);
    EXPECT_TRUE(cyclingWhileRunning);
    EXPECT_EQ(firstLog, ExpectedRun(0, 2));
    EXPECT_EQ(firstStatus, kItems0And2);
    EXPECT_EQ(ReadFileText(Log()), ExpectedRun(0, 2) + ExpectedRun(1, 8));
    EXPECT_EQ(StoredCleanOption(), std::string(23, '0') + "100000010");
}

TEST_F(ClearHistory, WithoutAPluginThatRanTheCleanFailsButTheSelectionIsKept) {
    struct Case {
        const char* variant;  // nullptr: no plug-in at all
        const char* status;
        const char* log;
    } cases[] = {
        {nullptr, "Failed !", ""},
        {"scourwell_no_create", "Failed !", ""},
        {"scourwell_null_factory", "Failed !", "create\n"},
        {"scourwell_no_destroy", "Completed !", nullptr},  // ran; the object is left alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant ? c.variant : "no plug-in");
        if (c.variant) UsePlugin(c.variant); else UseNoPlugin();
        StoreCleanOption(nullptr);
        CDlgClearHistory dialog;
        DWORD clicked = 0, finished = 0;
        std::string status;
        Run(dialog, {
            [&] {
                clicked = ::GetTickCount();
                return CheckAndClear(dialog, {0, 1, 2})();
            },
            [&] {
                status = Status(dialog.m_hWnd);
                if (status.empty()) return false;
                finished = ::GetTickCount();
                return true;
            },
        });
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(StoredCleanOption(), std::string(29, '0') + "111");
        const std::string log = c.variant ? ReadFileText(Log()) : "";
        if (c.log) {
            EXPECT_EQ(log, c.log);
        } else {
            EXPECT_NE(log.find("execute done\n"), std::string::npos);
            EXPECT_EQ(log.find("destroy"), std::string::npos);
        }
        if (!c.variant) {  // 100 ms for each of the three items, at least
            EXPECT_GE(finished - clicked, 280u);
        }
    }
}

TEST_F(ClearHistory, NothingCheckedAsksForAnItemAndStartsNothing) {
    UsePlugin("scourwell");
    StoreCleanOption(kItems0And2.c_str());
    CDlgClearHistory dialog;
    std::string text;
    Run(dialog, {
        CheckAndClear(dialog, {}),
        [&] {
            HWND box = FindThreadDialog("Vellumo");
            if (!box) return false;
            text = MessageBoxText(box);
            AnswerBox(box, IDOK);
            return true;
        },
        [&] { return !FindThreadDialog("Vellumo"); },
        [&] {
            EXPECT_TRUE(::IsWindowEnabled(dialog.GetDlgItem(IDOK)));
            EXPECT_FALSE(dialog.IsCleaning());
            return true;
        },
    });
    EXPECT_EQ(text, "Please select clear item.");
    EXPECT_EQ(ReadFileText(Log()), "");
    EXPECT_EQ(StoredCleanOption(), kItems0And2);
}

TEST_F(ClearHistory, CancelDuringACleanWaitsForThePluginAndKeepsPainting) {
    UseSlowPlugin("1500");
    CDlgClearHistory dialog;

    Watch watch;
    KernelHandle watcher;
    DWORD cancelled = 0;
    Run(dialog, {
        CheckAndClear(dialog, {4}),
        [&] { return ReadFileText(Log()).find("execute") != std::string::npos; },
        [&] {
            watch.strip = dialog.GetDlgItem(IDC_PROGRESS);
            watcher.Reset(::CreateThread(nullptr, 0, &WatchRepaints, &watch, 0, nullptr));
            cancelled = ::GetTickCount();
            PostClick(dialog.m_hWnd, IDCANCEL);
            return true;
        },
    });
    const DWORD closed = ::GetTickCount();
    watch.stop = 1;
    ::WaitForSingleObject(watcher.Get(), 2000);
    // It closed only after the plug-in had returned and been destroyed.
    EXPECT_NE(ReadFileText(Log()).find("execute done\ndestroy\n"), std::string::npos);
    EXPECT_GE(closed - cancelled, 900u);
    EXPECT_GE(watch.repaints, 5);
    // The completion was handled before the window went: selection stored.
    EXPECT_EQ(StoredCleanOption(), std::string(27, '0') + "10000");
}

TEST_F(ClearHistory, AQuitDuringACleanWaitsForThePluginStoresTheSelectionThenPassesOn) {
    UseSlowPlugin("1200");
    CDlgClearHistory dialog;
    bool shownAfterQuit = false;
    ModalScript script(
        10000, {
            CheckAndClear(dialog, {3}),
            [&] { return ReadFileText(Log()).find("execute") != std::string::npos; },
            [&] {
                ::PostQuitMessage(7);  // as the change of date ends the program
                return true;
            },
            [&] {
                // Still there while the plug-in works.
                shownAfterQuit = ::IsWindowVisible(dialog.m_hWnd) &&
                                 ReadFileText(Log()).find("execute done") == std::string::npos;
                return true;
            },
        });
    script.OnTimeout([&] { dialog.EndDialog(IDCANCEL); });
    EXPECT_EQ(script.Run([&] { return dialog.DoModal(); }), -1);
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(script.TimedOut());
    EXPECT_TRUE(shownAfterQuit);
    EXPECT_NE(ReadFileText(Log()).find("execute done\ndestroy\n"), std::string::npos);
    EXPECT_FALSE(dialog.IsCleaning());
    EXPECT_EQ(StoredCleanOption(), std::string(28, '0') + "1000");
    // The quit is passed on to the loop outside the dialog.
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}
