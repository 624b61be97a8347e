// The settings dialog against the test prefix's registry. Each case runs
// DoModal and acts on the open dialog from a thread timer, as a user would:
// clicking, typing, pressing the arrows, then OK or Cancel.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "app/settings/dlg_setting.h"
#include "app/settings/settings_store.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/in_process.h"
#include "tests/support/input.h"
#include "tests/support/registry.h"
#include "tests/support/task_scheduler.h"

namespace {

HKEY AutoRunRoot() { return IsOldWindows() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::optional<std::string> AutoRunText() {
    char text[600] = {};
    DWORD size = sizeof text - 1;
    if (::RegGetValueA(AutoRunRoot(), kAutoRunKeyPath, kAutoRunValueName, RRF_RT_REG_SZ, nullptr,
                       text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

void SetAutoRunText(const std::string& text) {
    ::RegSetKeyValueA(AutoRunRoot(), kAutoRunKeyPath, kAutoRunValueName, REG_SZ, text.c_str(),
                      static_cast<DWORD>(text.size() + 1));
}

// Starts each case from nothing stored; puts back TimeFormat, Days and the
// autorun entry as they were (a settings key that did not exist is deleted
// again).
class SettingsSandbox : public SavedSettings {
public:
    SettingsSandbox() { ClearAll(); }
};

// Runs `dlg` modally; `act` gets its window once it shows and ends by
// pressing OK or Cancel. A dialog left open is cancelled by the watchdog.
INT_PTR RunModal(CDlgSetting& dlg, std::function<void(HWND)> act) {
    ModalScript script(10000);
    script.WaitShown([&] { return dlg.GetSafeHwnd(); }).Do([&] { act(dlg.GetSafeHwnd()); });
    return script.Run([&] { return dlg.DoModal(); });
}

void Click(HWND dlg, int id) { ::SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0); }
bool Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
std::string DaysText(HWND dlg) {
    char text[64] = {};
    ::GetDlgItemTextA(dlg, IDC_DAYS, text, sizeof text);
    return text;
}
// Replaces the days edit's text keystroke by keystroke.
void TypeDays(HWND dlg, const std::string& text) { TypeInto(::GetDlgItem(dlg, IDC_DAYS), text); }
void ArrowKey(HWND dlg, UINT key, int times) {
    for (int i = 0; i < times; ++i) ::SendDlgItemMessageA(dlg, IDC_DAYS, WM_KEYDOWN, key, 1);
}
// Clicks the upper or the lower half of the up-down control.
void ArrowClick(HWND dlg, bool up, int times) {
    HWND spin = ::GetDlgItem(dlg, IDC_DAYS_SPIN);
    RECT rc{};
    ::GetClientRect(spin, &rc);
    const LPARAM at = MAKELPARAM(rc.right / 2, up ? 2 : rc.bottom - 3);
    for (int i = 0; i < times; ++i) {
        ::SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(spin, WM_LBUTTONUP, 0, at);
    }
}

// Chooses the 12-hour format and the start at log-on `wanted`, presses OK
// and, once a box has said the start could not be changed, checks that the
// dialog stayed open with the box turned back and the focus on it, and
// cancels. Returns what the box said.
std::string OkWithTheStartRefused(CDlgSetting& dlg, bool wanted) {
    std::string said;
    ModalScript script(10000);
    script.WaitShown([&] { return dlg.GetSafeHwnd(); })
        .Do([&] {
            HWND wnd = dlg.GetSafeHwnd();
            Click(wnd, IDC_FORMAT_12);
            // Ticked at the start where the service tells what the task runs (not Wine's).
            if (Checked(wnd, IDC_AUTORUN) != wanted) Click(wnd, IDC_AUTORUN);
            PostClick(wnd, IDOK);
        })
        .Answer("Vellumo", IDOK, &said)
        .Do([&] {
            HWND wnd = dlg.GetSafeHwnd();
            EXPECT_TRUE(::IsWindowVisible(wnd)) << "the dialog stays open";
            EXPECT_EQ(Checked(wnd, IDC_AUTORUN), !wanted) << "as the start at log-on stands";
            EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), IDC_AUTORUN);
            PostClick(wnd, IDCANCEL);
        });
    EXPECT_EQ(script.Run([&] { return dlg.DoModal(); }), IDCANCEL);
    return said;
}

}  // namespace

TEST(DlgSetting, OpensWithWhatIsStored) {
    AsOnWindowsXp xp;
    SettingsSandbox sandbox;
    struct Case {
        int timeFormat, days;  // -1: not stored
        bool autorun, format12;
        const char* shown;
    } cases[] = {{-1, -1, false, false, "1"}, {12, 3, true, true, "3"}, {13, 9, false, false, "1"},
                 {24, 0, false, false, "1"}, {12, 7, false, true, "7"}};
    for (const Case& c : cases) {
        SettingsSandbox::ClearAll();
        if (c.timeFormat != -1) WriteSettingValue(kTimeFormatValue, c.timeFormat);
        if (c.days != -1) WriteSettingValue(kDaysValue, c.days);
        if (c.autorun) SetAutoRunText("any data at all");
        CDlgSetting dlg;
        RunModal(dlg, [&](HWND wnd) {
            EXPECT_EQ(Checked(wnd, IDC_FORMAT_12), c.format12) << c.timeFormat;
            EXPECT_EQ(Checked(wnd, IDC_FORMAT_24), !c.format12) << c.timeFormat;
            EXPECT_EQ(DaysText(wnd), c.shown) << "stored days " << c.days;
            EXPECT_EQ(Checked(wnd, IDC_AUTORUN), c.autorun);
            PostClick(wnd, IDCANCEL);
        });
    }
}

TEST(DlgSetting, OkStoresTheFormatAndTheDaysClampedToOneToSeven) {
    SettingsSandbox sandbox;
    struct Case {
        int format;
        const char* typed;
        int stored;
    } cases[] = {{12, "9", 7}, {24, "0", 1}, {12, "", 1}, {24, "5", 5}, {12, "3000000000", 7}};
    for (const Case& c : cases) {
        SettingsSandbox::ClearAll();
        CDlgSetting dlg;
        const INT_PTR result = RunModal(dlg, [&](HWND wnd) {
            Click(wnd, c.format == 12 ? IDC_FORMAT_12 : IDC_FORMAT_24);
            TypeDays(wnd, c.typed);
            PostClick(wnd, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(ReadSettingValue(kDaysValue), c.stored) << "typed '" << c.typed << "'";
        EXPECT_EQ(dlg.ChosenDays(), c.stored);
        EXPECT_EQ(ReadSettingValue(kTimeFormatValue), c.format);
        EXPECT_EQ(dlg.ChosenHourFormat(), c.format);
    }
}

TEST(DlgSetting, RemindMissedIsOnUntilUntickedAndOkStoresIt) {
    SettingsSandbox sandbox;
    // Nothing stored, 0, 1: ticked, unticked, ticked; OK stores the box.
    for (int stored : {-1, 0, 1}) {
        SettingsSandbox::ClearAll();
        if (stored != -1) WriteSettingValue(kRemindMissedValue, stored);
        CDlgSetting dlg;
        RunModal(dlg, [&](HWND wnd) {
            EXPECT_EQ(Checked(wnd, IDC_REMIND_MISSED), stored != 0) << stored;
            Click(wnd, IDC_REMIND_MISSED);
            PostClick(wnd, IDOK);
        });
        EXPECT_EQ(ReadSettingValue(kRemindMissedValue), stored == 0 ? 1 : 0) << stored;
    }
    // Cancel stores nothing.
    SettingsSandbox::ClearAll();
    CDlgSetting dlg;
    RunModal(dlg, [&](HWND wnd) {
        Click(wnd, IDC_REMIND_MISSED);
        PostClick(wnd, IDCANCEL);
    });
    EXPECT_EQ(ReadSettingValue(kRemindMissedValue), -1);
}

TEST(DlgSetting, ArrowsStayWithinOneToSeven) {
    SettingsSandbox sandbox;
    CDlgSetting dlg;
    RunModal(dlg, [](HWND wnd) {
        ArrowKey(wnd, VK_UP, 10);
        EXPECT_EQ(DaysText(wnd), "7");
        ArrowKey(wnd, VK_DOWN, 10);
        EXPECT_EQ(DaysText(wnd), "1");
        ArrowClick(wnd, true, 9);
        EXPECT_EQ(DaysText(wnd), "7");
        ArrowClick(wnd, false, 2);
        EXPECT_EQ(DaysText(wnd), "5");
        TypeDays(wnd, "9");  // out of range, then an arrow
        ArrowKey(wnd, VK_UP, 1);
        const int shown = std::stoi(DaysText(wnd));
        EXPECT_TRUE(shown >= 1 && shown <= 7) << shown;
        ArrowClick(wnd, false, 9);
        EXPECT_EQ(DaysText(wnd), "1");
        ArrowKey(wnd, VK_UP, 3);
        PostClick(wnd, IDOK);
    });
    EXPECT_EQ(ReadSettingValue(kDaysValue), 4);
}

TEST(DlgSetting, OkWritesTheAutorunEntryEvenWhenItExistedOrDeletesIt) {
    AsOnWindowsXp xp;
    SettingsSandbox sandbox;
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    SetAutoRunText("\"C:\\Old\\Vellumo.exe\" /background");
    CDlgSetting keep;  // checked because it exists; OK stores the current path
    RunModal(keep, [](HWND wnd) { PostClick(wnd, IDOK); });
    EXPECT_EQ(AutoRunText(), AutoRunData(path));

    CDlgSetting remove;
    RunModal(remove, [](HWND wnd) {
        Click(wnd, IDC_AUTORUN);
        PostClick(wnd, IDOK);
    });
    EXPECT_FALSE(IsAutoRunSet());
}

TEST(DlgSetting, CancelAfterChangingEverythingStoresNothing) {
    SettingsSandbox sandbox;
    WriteSettingValue(kTimeFormatValue, 24);
    WriteSettingValue(kDaysValue, 2);
    CDlgSetting dlg;
    const INT_PTR result = RunModal(dlg, [](HWND wnd) {
        Click(wnd, IDC_FORMAT_12);
        TypeDays(wnd, "6");
        Click(wnd, IDC_AUTORUN);
        PostClick(wnd, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(ReadSettingValue(kTimeFormatValue), 24);
    EXPECT_EQ(ReadSettingValue(kDaysValue), 2);
    EXPECT_FALSE(IsAutoRunSet());
    EXPECT_EQ(dlg.ChosenHourFormat(), 24);
    EXPECT_EQ(dlg.ChosenDays(), 1);
}

TEST(DlgSetting, TickingRegistersThisUsersLogOnTaskAndUntickingRemovesIt) {
    SettingsSandbox sandbox;
    SavedTask savedTask;
    const std::string task = ThisUsersTaskName();
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);

    CDlgSetting tick;
    EXPECT_EQ(RunModal(tick, [](HWND wnd) {
                  Click(wnd, IDC_AUTORUN);
                  PostClick(wnd, IDOK);
              }),
              IDOK);
    const std::string xml = TaskXml(task);
    ASSERT_FALSE(xml.empty()) << "no task " << task;
    // What every Task Scheduler here keeps of the definition: a program that
    // runs all day, at normal priority.
    EXPECT_EQ(XmlText(xml, "Settings", "ExecutionTimeLimit"), "PT0S") << xml;
    EXPECT_EQ(XmlText(xml, "Settings", "Priority"), "5") << xml;
    if (SchedulerKeepsDefinitions()) {
        EXPECT_EQ(XmlText(xml, "LogonTrigger", "UserId"), ThisAccount()) << xml;
        EXPECT_EQ(XmlText(xml, "Principal", "RunLevel"), "HighestAvailable") << xml;
        EXPECT_EQ(XmlText(xml, "Exec", "Command") + " " + XmlText(xml, "Exec", "Arguments"),
                  AutoRunData(path))
            << xml;
    } else {
        std::printf("This Task Scheduler (Wine's) keeps no trigger, principal or action: "
                    "only the task's being there was checked.\n%s\n", xml.c_str());
    }

    // It opens ticked where the service tells that the task runs this program.
    CDlgSetting untick;
    RunModal(untick, [](HWND wnd) {
        EXPECT_EQ(Checked(wnd, IDC_AUTORUN), SchedulerKeepsDefinitions());
        if (Checked(wnd, IDC_AUTORUN)) Click(wnd, IDC_AUTORUN);
        PostClick(wnd, IDOK);
    });
    EXPECT_FALSE(TaskExists(task));
}

TEST(DlgSetting, ARefusedTaskIsShownTheBoxUntickedAndNothingStored) {
    SettingsSandbox sandbox;
    SavedTask savedTask;
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    SetAutoRunText(AutoRunData(path));  // as an earlier version left it
    // The service gives no folder that does not exist.
    AutoRunPlaceOverride nowhere(std::nullopt, "\\No Such Folder");
    WriteSettingValue(kTimeFormatValue, 24);
    CDlgSetting dlg;
    EXPECT_EQ(OkWithTheStartRefused(dlg, true), kAutoRunRefused);
    EXPECT_EQ(ReadSettingValue(kTimeFormatValue), 24) << "nothing stored";
    EXPECT_EQ(AutoRunText(), AutoRunData(path)) << "the earlier entry goes only for a task";
    EXPECT_FALSE(TaskExists(ThisUsersTaskName()));
    EXPECT_FALSE(TaskExists(ThisUsersTaskName(), "\\No Such Folder"));
}

TEST(DlgSetting, AFailedRemovalIsShownTheBoxTickedAgainAndNothingStored) {
    SettingsSandbox sandbox;
    SavedTask savedTask;
    ASSERT_TRUE(SetAutoRun());
    // The service keeps each task in a file of its own: made read-only, the
    // task cannot be deleted.
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    const std::string file = std::string(system) + "\\Tasks\\" + ThisUsersTaskName();
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY)) << file;
    struct Writable {  // again before the saved task is put back
        std::string file;
        ~Writable() { ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL); }
    } writable{file};
    WriteSettingValue(kTimeFormatValue, 24);
    CDlgSetting dlg;
    EXPECT_EQ(OkWithTheStartRefused(dlg, false), kAutoRunNotRemoved);
    EXPECT_EQ(ReadSettingValue(kTimeFormatValue), 24) << "nothing stored";
    EXPECT_TRUE(TaskExists(ThisUsersTaskName()));
}

TEST(DlgSetting, CalendarServerOpensTheServersDialogOverTheSettings) {
    SettingsSandbox sandbox;
    CDlgSetting dlg;
    CWnd* owner = nullptr;
    dlg.SetServerDialog([&](CWnd* over) { owner = over; });
    RunModal(dlg, [&](HWND wnd) {
        Click(wnd, IDC_SETTING_SERVER);
        PostClick(wnd, IDCANCEL);
    });
    EXPECT_EQ(owner, &dlg);
}
