// The reminder check against real files and the user's registry key: passes
// at chosen minutes into the reminder window (its text, its look, once per
// date and time, late ones with their time, Snooze) and the thread itself
// (one per process, woken at once, the tests' stop).
#include <gtest/gtest.h>

#include <string>

#include "app/memo/memo_store.h"
#include "app/memo/reminder_thread.h"
#include "app/settings/settings_store.h"
#include "platform/handles.h"
#include "platform/local_time.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

// A fixed day, so the passes' minutes are chosen, not waited for.
const Date kDay{2030, 3, 14};
WallMinute At(int hour, int minute, int dayOffset = 0) {
    return WallMinuteOf(kDay, hour, minute) + dayOffset * kMinutesPerDay;
}

// The memo folders, and the kept state and the setting as they were.
struct ReminderScene {
    ScratchDir dir{"vellumo-reminder", {"Remark", "Notice"}};
    RegistrySnapshot kept{HKEY_CURRENT_USER, kUserKeyPath, {kRemindersValue}};
    RegistrySnapshot setting{HKEY_LOCAL_MACHINE, kSettingsKeyPath, {kRemindMissedValue}};
    ReminderScene() {
        Memos().InitMemoPaths(dir.Path());
        WriteReminderStateText("");
    }
    // The memo as the editor writes it; returns its record.
    std::string Memo(const Date& d, const std::string& text, const std::string& notice) {
        const std::string record = "[" + DateText(d.year, d.month, d.day) + "] " + text;
        WriteFileBytes(Memos().MemoPath(Date{d.year, d.month, d.day}), record);
        WriteFileBytes(Memos().NoticePath(Date{d.year, d.month, d.day}), notice);
        return record;
    }
};

std::string ItemText(HWND wnd, int id) {
    char text[8192] = {};
    ::GetDlgItemTextA(wnd, id, text, sizeof text);
    return text;
}

bool Shown(HWND wnd, int id) { return ::IsWindowVisible(::GetDlgItem(wnd, id)) != FALSE; }

std::vector<std::string> ListLines(HWND wnd) {
    std::vector<std::string> lines;
    HWND list = ::GetDlgItem(wnd, IDC_REMINDER_LIST);
    for (LRESULT i = 0; i < ::SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
        char line[512] = {};
        ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
        lines.push_back(line);
    }
    return lines;
}

// Presses a button of the window the way a click does, and lets it act.
void Press(HWND wnd, int id) {
    ::SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(wnd, id)));
    PumpMessages();
}

}  // namespace

TEST(ReminderWindow, ShowsADueMemoOnceAsTheBoxDidAndNotAgainAfterOk) {
    ReminderScene scene;
    const std::string record = scene.Memo(kDay, "Dentist\r\nbring the card", "9:30");
    HWND other = CreateTestParent();
    ::ShowWindow(other, SW_SHOW);
    ::SetForegroundWindow(other);
    ::SetFocus(other);
    PumpMessages();

    std::vector<std::vector<ReminderKey>> answers;
    ReminderWindow window([&](const std::vector<ReminderKey>& keys, int minutes) {
        answers.push_back(keys);
        AnswerReminders(keys, minutes);
    });
    RunReminderPass(At(9, 30), window);
    HWND wnd = window.Handle();
    ASSERT_NE(wnd, nullptr);
    // What tools and users know of the message box.
    char className[16] = {};
    ::GetClassNameA(wnd, className, sizeof className);
    EXPECT_STREQ(className, "#32770");
    char caption[64] = {};
    ::GetWindowTextA(wnd, caption, sizeof caption);
    EXPECT_STREQ(caption, kReminderCaption);
    EXPECT_EQ(MessageBoxText(wnd), record);
    EXPECT_EQ(::GetWindow(wnd, GW_OWNER), nullptr);
    EXPECT_TRUE(::IsWindowVisible(wnd));
    EXPECT_NE(::GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_NE(::GetWindowLongA(::GetDlgItem(wnd, IDC_REMINDER_TEXT), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_NE(::SendDlgItemMessageA(wnd, IDC_REMINDER_ICON, STM_GETICON, 0, 0), 0);
    // On time: no list, no "due" line, no missed line.
    EXPECT_FALSE(Shown(wnd, IDC_REMINDER_LIST));
    EXPECT_FALSE(Shown(wnd, IDC_REMINDER_DUE));
    EXPECT_FALSE(Shown(wnd, IDC_REMINDER_MISSED));
    // Snooze choices, 10 minutes preselected.
    HWND combo = ::GetDlgItem(wnd, IDC_SNOOZE_TIME);
    EXPECT_EQ(::SendMessageA(combo, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(ItemText(wnd, IDC_SNOOZE_TIME), "10 minutes");
    // It did not take the keyboard.
    EXPECT_EQ(::GetForegroundWindow(), other);
    EXPECT_EQ(::GetFocus(), other);

    // Passes while it is open: the same window, no second one.
    RunReminderPass(At(9, 30), window);
    RunReminderPass(At(9, 31), window);
    EXPECT_EQ(window.Handle(), wnd);
    EXPECT_EQ(FindThreadDialog(kReminderCaption), wnd);

    Press(wnd, IDOK);
    EXPECT_FALSE(::IsWindow(wnd));
    ASSERT_EQ(answers.size(), 1u);
    // Neither the same minute again nor a fall-back repeating it brings it back.
    for (WallMinute m : {At(9, 31), At(9, 30), At(9, 29), At(9, 30), At(9, 45)}) {
        RunReminderPass(m, window);
        EXPECT_EQ(window.Handle(), nullptr) << m;
    }
    // A new time is a new reminder; a notice without ":" or none is none.
    scene.Memo(kDay, "Dentist\r\nbring the card", "9:50");
    RunReminderPass(At(9, 50), window);
    EXPECT_NE(window.Handle(), nullptr);
    window.Close();
    scene.Memo(kDay, "No time", "1000");
    RunReminderPass(At(10, 0), window);
    ::DeleteFileA(Memos().NoticePath(Date{kDay.year, kDay.month, kDay.day}).c_str());
    RunReminderPass(At(10, 0), window);
    EXPECT_EQ(window.Handle(), nullptr);
    ::DestroyWindow(other);
}

TEST(ReminderWindow, LateOnesSayTheirTimeSeveralShareAListAndSnoozeBringsThemBack) {
    ReminderScene scene;
    // Today's date: Snooze counts from the real clock.
    const Date today = LocalDateNow();
    const auto at = [&](int hour, int minute, int dayOffset = 0) {
        return WallMinuteOf(today, hour, minute) + dayOffset * kMinutesPerDay;
    };
    const Date yesterday = LocalDateTimeOf(at(0, 0, -1)).date, weekAgo = LocalDateTimeOf(at(0, 0, -7)).date;
    scene.Memo(weekAgo, "Old one", "8:00");
    const std::string first = scene.Memo(yesterday, "Call the garage\r\nabout the tyres", "18:00");
    const std::string second = scene.Memo(today, "Dentist", "9:00");
    ReminderWindow window(&AnswerReminders);
    RunReminderPass(at(8, 0, -8), window);  // a week and a day ago: nothing due
    EXPECT_EQ(window.Handle(), nullptr);

    // Back after a week: the two of the last day one by one, the older one counted.
    RunReminderPass(at(9, 20), window);
    HWND wnd = window.Handle();
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(Shown(wnd, IDC_REMINDER_LIST));
    EXPECT_EQ(ListLines(wnd), (std::vector<std::string>{"due 18:00 yesterday  Call the garage",
                                                         "due 9:00  Dentist"}));
    EXPECT_EQ(MessageBoxText(wnd), first);
    EXPECT_TRUE(Shown(wnd, IDC_REMINDER_MISSED));
    const std::string missed =
        "1 older reminder was missed, on " + DateText(weekAgo.year, weekAgo.month, weekAgo.day) + ".";
    EXPECT_EQ(ItemText(wnd, IDC_REMINDER_MISSED), missed);
    ::SendDlgItemMessageA(wnd, IDC_REMINDER_LIST, LB_SETCURSEL, 1, 0);
    ::SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(IDC_REMINDER_LIST, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(wnd, IDC_REMINDER_LIST)));
    EXPECT_EQ(MessageBoxText(wnd), second);
    // A pass keeps the selection and the count.
    RunReminderPass(at(9, 21), window);
    EXPECT_EQ(MessageBoxText(wnd), second);
    EXPECT_EQ(ItemText(wnd, IDC_REMINDER_MISSED), missed);

    // Snooze for 5 minutes: gone until then, then both back, once.
    ::SendDlgItemMessageA(wnd, IDC_SNOOZE_TIME, CB_SETCURSEL, 0, 0);
    Press(wnd, IDC_SNOOZE);
    EXPECT_FALSE(::IsWindow(wnd));
    ReminderState state = ParseReminderState(ReadReminderStateText());
    ASSERT_EQ(state.records.size(), 2u);
    for (const ReminderRecord& r : state.records) EXPECT_EQ(r.status, ReminderStatus::Snoozed);
    // Passes at the snooze's end as the kept state says.
    const WallMinute until = state.records[0].snoozeUntil;
    RunReminderPass(until - 1, window);
    EXPECT_EQ(window.Handle(), nullptr);
    RunReminderPass(until, window);
    ASSERT_NE(window.Handle(), nullptr);
    EXPECT_EQ(ListLines(window.Handle()).size(), 2u);
    EXPECT_FALSE(Shown(window.Handle(), IDC_REMINDER_MISSED));  // counted once, not again
    Press(window.Handle(), IDOK);
    RunReminderPass(until + 1, window);
    EXPECT_EQ(window.Handle(), nullptr);
}

TEST(ReminderWindow, WithoutCatchingUpOnlyTheCurrentMinuteShows) {
    ReminderScene scene;
    WriteSettingValue(kRemindMissedValue, 0);
    scene.Memo(kDay, "Late", "9:00");
    ReminderWindow window(&AnswerReminders);
    RunReminderPass(At(8, 0), window);
    RunReminderPass(At(9, 30), window);  // slept over 9:00
    EXPECT_EQ(window.Handle(), nullptr);
    scene.Memo(kDay, "On time", "9:31");
    RunReminderPass(At(9, 31), window);
    ASSERT_NE(window.Handle(), nullptr);
    EXPECT_FALSE(Shown(window.Handle(), IDC_REMINDER_DUE));
}

TEST(ReminderThread, OneRunsPerProcessAWakeRunsAPassAndTheTestStopEndsIt) {
    ReminderScene scene;
    const auto ended = [](DWORD id, DWORD ms) {
        KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, id));
        return !thread || ::WaitForSingleObject(thread.Get(), ms) == WAIT_OBJECT_0;
    };
    const auto reminder = [] { return FindDialog(kReminderCaption, false); };
    const DWORD id = StartReminderThread();
    ASSERT_NE(0u, id);
    EXPECT_EQ(id, StartReminderThread());
    EXPECT_EQ(id, ReminderThreadId());
    // Its first pass, at once: nothing due, the pass kept.
    ASSERT_TRUE(PumpUntil([] { return !ReadReminderStateText().empty(); }, 10000));

    // A memo saved for this minute after that pass: a wake shows it at
    // once, not after the 27 s between passes.
    const LocalDateTime now = LocalDateTimeNow();
    scene.Memo(now.date, "Saved just now",
               std::to_string(now.time.hour) + ":" + std::to_string(now.time.minute));
    const DWORD woken = ::GetTickCount();
    WakeReminderThread();
    HWND wnd = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (wnd = reminder()) != nullptr; }, 20000));
    EXPECT_LT(::GetTickCount() - woken, 10000u);
    EXPECT_EQ(::GetWindowThreadProcessId(wnd, nullptr), id);

    // Stopped while it shows its window: the window goes and the thread ends.
    EXPECT_TRUE(StopReminderThread());
    EXPECT_TRUE(ended(id, 0));
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_EQ(0u, ReminderThreadId());

    // Shown and not dismissed: the next thread shows it again.
    const DWORD next = StartReminderThread();
    ASSERT_NE(0u, next);
    EXPECT_TRUE(PumpUntil([&] { return (wnd = reminder()) != nullptr; }, 20000));
    AnswerBox(wnd, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(wnd); }, 5000));

    // Stopped while it waits between passes: at once, not after 27 s.
    EXPECT_FALSE(ended(next, 300));
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(StopReminderThread());
    EXPECT_LT(::GetTickCount() - start, 20000u);  // well short of the 27 s between passes
    EXPECT_TRUE(StopReminderThread());  // none left
}

// Two copies answer at once (at midnight the old copy's OK meets the new
// copy's pass): each read-change-write of the kept state is whole, so no
// answer of either is lost. The second copy is this test run again.
TEST(ReminderThread, TwoCopiesAnsweringAtOnceLoseNothing) {
    constexpr char kRole[] = "VELLUMO_STATE_CONTENDER";
    constexpr int kAnswers = 40;
    const auto answerAll = [](int hour) {
        KernelHandle go(::OpenEventA(SYNCHRONIZE, FALSE, "vellumo-test-state-go"));
        KernelHandle ready(::OpenEventA(EVENT_MODIFY_STATE, FALSE, "vellumo-test-state-ready"));
        if (ready) ::SetEvent(ready.Get());
        if (go) ::WaitForSingleObject(go.Get(), 30000);
        for (int minute = 0; minute < kAnswers; ++minute)
            AnswerReminders({ReminderKey{kDay, hour, minute}}, 0);
    };
    char role[8] = {};
    if (::GetEnvironmentVariableA(kRole, role, sizeof role)) {
        answerAll(11);
        return;
    }
    ReminderScene scene;
    const KernelHandle go(::CreateEventA(nullptr, TRUE, FALSE, "vellumo-test-state-go"));
    const KernelHandle ready(::CreateEventA(nullptr, TRUE, FALSE, "vellumo-test-state-ready"));
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    ::SetEnvironmentVariableA(kRole, "1");
    const KernelHandle other(LaunchProcess(
        std::string("\"") + exe + "\" --gtest_filter=ReminderThread.TwoCopiesAnsweringAtOnceLoseNothing"));
    ::SetEnvironmentVariableA(kRole, nullptr);
    ASSERT_TRUE(other);
    ASSERT_EQ(::WaitForSingleObject(ready.Get(), 60000), static_cast<DWORD>(WAIT_OBJECT_0));
    ::SetEvent(go.Get());
    answerAll(10);
    ASSERT_EQ(::WaitForSingleObject(other.Get(), 60000), static_cast<DWORD>(WAIT_OBJECT_0));

    const ReminderState state = ParseReminderState(ReadReminderStateText());
    int dismissed = 0;
    for (const ReminderRecord& r : state.records)
        if (r.status == ReminderStatus::Dismissed) ++dismissed;
    EXPECT_EQ(dismissed, 2 * kAnswers) << ReadReminderStateText();
}
