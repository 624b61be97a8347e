// The panel's "Setting..." command in-process: what OK hands on to the
// running clock and to the ticker's digest, with the real panel and dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/instance/app_state.h"
#include "app/memo/memo_store.h"
#include "app/panel/vellumo_dlg.h"
#include "app/settings/settings_store.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/in_process.h"
#include "tests/support/input.h"
#include "tests/support/moved_clock.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
constexpr char kAnnouncement[] = "Vellumo reminds you.";

// TimeFormat, Days and the autorun entry as they were before the test;
// the test starts with neither value stored.
class StoredSettings : SavedSettings {
public:
    StoredSettings() {
        DeleteSetting(kTimeFormatValue);
        DeleteSetting(kDaysValue);
    }
};

// Runs the panel's "Setting..." command; `act` gets the dialog once it shows
// and ends it. Returns whether the dialog showed.
bool RunSettingCommand(CVellumoDlg& panel, std::function<void(HWND)> act) {
    ModalScript script;
    script.Then([&] {
        HWND dlg = ::FindWindowA("#32770", "Vellumo Setting");
        if (!dlg || !::IsWindowVisible(dlg)) return false;
        act(dlg);
        return true;
    });
    script.Run([&] { return ::SendMessageA(panel.m_hWnd, WM_COMMAND, ID_SETTING, 0); });
    return script.Finished();
}

void TypeDays(HWND dlg, const std::string& text) { TypeInto(::GetDlgItem(dlg, IDC_DAYS), text); }

// Pumps for `ms` (the ticker paints several times meanwhile); true when an
// announcement box showed up in that time.
bool PumpWatchingForAnnouncement(DWORD ms) {
    bool seen = false;
    PumpUntil(
        [&] {
            seen = seen || ::FindWindowA("#32770", kAnnouncement) != nullptr;
            return false;
        },
        ms);
    return seen;
}

// Memos today and in two days, removed again afterwards.
class TwoMemos {
public:
    TwoMemos() {
        const std::string dir = TestProgramDir();
        ::CreateDirectoryA((dir + "\\Remark").c_str(), nullptr);
        Memos().InitMemoPaths(dir);
        const Date today = LocalDateNow(), later = AddDays(today, 2);
        today_ = Memos().MemoPath(Date{today.year, today.month, today.day});
        later_ = Memos().MemoPath(Date{later.year, later.month, later.day});
        WriteFileBytes(today_, "today memo");
        WriteFileBytes(later_, "later memo");
    }
    ~TwoMemos() {
        ::DeleteFileA(today_.c_str());
        ::DeleteFileA(later_.c_str());
    }

private:
    std::string today_, later_;
};
}  // namespace

TEST(PanelSetting, OkWithoutChangesStoresTheValuesButLeavesClockAndDigest) {
    StoredSettings stored;  // nothing stored: 24 hours, one day
    TwoMemos memos;
    RunPanel([](CVellumoDlg& panel) {
        CTickerCtrl& ticker = panel.Ticker();
        ASSERT_TRUE(PumpUntil([&] { return ticker.RebuildCount() > 0; }));
        PumpMessages();
        const std::string text = ticker.TickerText();
        EXPECT_EQ(text, "today memo\n\n\n\n");
        const int rebuilds = ticker.RebuildCount();
        const DWORD worker = panel.Clock().WorkerThreadId();
        ASSERT_TRUE(panel.Clock().IsStarted());

        EXPECT_TRUE(RunSettingCommand(panel, [](HWND dlg) {
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        }));
        EXPECT_FALSE(PumpWatchingForAnnouncement(400));
        EXPECT_EQ(ReadSettingValue(kTimeFormatValue), 24);
        EXPECT_EQ(ReadSettingValue(kDaysValue), 1);
        EXPECT_EQ(ticker.RebuildCount(), rebuilds);
        EXPECT_EQ(ticker.TickerText(), text);
        EXPECT_EQ(panel.RemindAheadDays(), 1);
        EXPECT_EQ(panel.Clock().CurrentHourFormat(), 24);
        EXPECT_EQ(panel.Clock().WorkerThreadId(), worker);
        EXPECT_TRUE(panel.Clock().IsStarted());
    });
}

TEST(PanelSetting, ChangingOnlyTheDaysRebuildsTheDigestOnce) {
    StoredSettings stored;
    TwoMemos memos;
    RunPanel([](CVellumoDlg& panel) {
        CTickerCtrl& ticker = panel.Ticker();
        ASSERT_TRUE(PumpUntil([&] { return ticker.RebuildCount() > 0; }));
        PumpMessages();
        EXPECT_EQ(ticker.TickerText(), "today memo\n\n\n\n");
        const int rebuilds = ticker.RebuildCount();
        const DWORD worker = panel.Clock().WorkerThreadId();

        EXPECT_TRUE(RunSettingCommand(panel, [](HWND dlg) {
            TypeDays(dlg, "3");
            ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        }));
        // The new text is rendered at the ticker's next paint, and only once.
        EXPECT_FALSE(PumpWatchingForAnnouncement(400));
        EXPECT_EQ(ticker.TickerText(), "today memo\nlater memo\n\n\n\n");
        EXPECT_EQ(ticker.RebuildCount(), rebuilds + 1);
        EXPECT_EQ(panel.RemindAheadDays(), 3);
        EXPECT_EQ(ReadSettingValue(kDaysValue), 3);
        EXPECT_EQ(ReadSettingValue(kTimeFormatValue), 24);
        EXPECT_EQ(panel.Clock().CurrentHourFormat(), 24);
        EXPECT_EQ(panel.Clock().WorkerThreadId(), worker);
    });
}
