// Reminders in the real program under a clock the test moves while it runs
// (a sleep, a clock set back, midnight): each comes once, late ones with
// their time, Snooze brings one back, neither the start-up box nor the day
// change holds one back, typing elsewhere does not dismiss one, and the memo
// files are never touched.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/input.h"
#include "tests/support/moved_clock.h"
#include "tests/support/pictures.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {
// Well short of the 27 s between passes: a wake-up runs a pass at once.
constexpr DWORD kWokenMs = 10000;
constexpr DWORD kStartMs = 30000;

// A program folder with memos on fixed dates and its clock file.
struct MemoScene {
    ProgramDir dir;
    std::map<std::string, std::string> files;  // relative path -> bytes

    std::string Memo(int year, int month, int day, const std::string& text,
                     const std::string& remindAt) {
        ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
        ::CreateDirectoryA(dir.File("Notice").c_str(), nullptr);
        const std::string date = std::to_string(year) + "-" + std::to_string(month) + "-" +
                                 std::to_string(day);
        const std::string record = "[" + date + "] " + text;
        Put("Remark\\Remark_" + date + ".txt", record);
        Put("Notice\\Notice_" + date + ".txt", remindAt);
        return record;
    }
    void Put(const std::string& name, const std::string& bytes) {
        files[name] = bytes;
        WriteFileBytes(dir.File(name), bytes);
    }
    // Moves the running copy's clock to `seconds` after where it started,
    // and waits until the copy reads it (the file is read every 100 ms).
    void MoveClock(int seconds) {
        WriteFileBytes(dir.File("Vellumo.clock"), std::to_string(seconds));
        ::Sleep(400);
    }
    // Every memo and notice file as written, and no other.
    void ExpectFilesUntouched() const {
        for (const auto& f : files) EXPECT_EQ(ReadFileText(dir.File(f.first)), f.second) << f.first;
        for (const char* folder : {"Remark", "Notice"}) {
            int count = 0;
            WIN32_FIND_DATAA found;
            HANDLE find = ::FindFirstFileA(dir.File(std::string(folder) + "\\*.txt").c_str(), &found);
            if (find != INVALID_HANDLE_VALUE) {
                do ++count;
                while (::FindNextFileA(find, &found));
                ::FindClose(find);
            }
            EXPECT_EQ(count, 1) << folder;
        }
    }
};

std::string ItemText(HWND wnd, int id) {
    char text[1024] = {};
    ::GetDlgItemTextA(wnd, id, text, sizeof text);
    return text;
}

void PostResume(HWND panel) { ::PostMessageA(panel, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0); }
void PostTimeChange(HWND panel) { ::PostMessageA(panel, WM_TIMECHANGE, 0, 0); }

// Waits for the reminder window (leaving any start-up box as it is).
HWND WaitForReminder(DWORD timeoutMs) {
    HWND wnd = nullptr;
    WaitFor([&] { return (wnd = FindReminderBox()) != nullptr && ::IsWindowVisible(wnd); }, timeoutMs);
    return wnd;
}

// True when `upper` comes before `lower` in the z-order of top-level windows.
bool Above(HWND upper, HWND lower) {
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        if (w == upper) return true;
        if (w == lower) return false;
    }
    return false;
}

bool Answer(HWND reminder, int id) {
    PostClick(reminder, id);
    return WaitFor([&] { return !::IsWindow(reminder); }, 10000);
}
}  // namespace

TEST(ReminderE2E, ASleepOverItsMinuteShowsItLateOnceAndAFallBackAfterOkShowsNothing) {
    MemoScene scene;
    const std::string record = scene.Memo(2026, 10, 14, "Dentist\r\nbring the card", "10:15");
    ASSERT_TRUE(SpawnAtLocalTime(scene.dir.File("Vellumo.exe"), LocalTimeOf(2026, 10, 14, 10, 10, 0)));
    HWND panel = WaitForPanel(false, kStartMs);
    ASSERT_NE(panel, nullptr);
    DismissAnnouncement(kStartMs);
    ASSERT_TRUE(WaitFor([] { return !KeptReminders().empty(); }, kStartMs));  // its first pass
    EXPECT_EQ(FindReminderBox(), nullptr);

    // Asleep from 10:10 to 10:20: at resume, once, saying when it was due.
    scene.MoveClock(600);
    PostResume(panel);
    HWND reminder = WaitForReminder(kWokenMs);
    ASSERT_NE(reminder, nullptr) << "kept: " << KeptReminders() << "; RemindMissed "
                                 << StoredSetting("RemindMissed") << "; hidden window "
                                 << FindReminderBox();
    EXPECT_EQ(MessageBoxText(reminder), record);
    EXPECT_EQ(ItemText(reminder, IDC_REMINDER_DUE), "This reminder was due 10:15.");
    PostResume(panel);  // the second resume notice finds nothing more
    EXPECT_FALSE(WaitFor([&] { return FindReminderBox() != reminder; }, 2000));
    ASSERT_TRUE(Answer(reminder, IDOK));

    // The clock set back over 10:15 (as a fall-back repeats an hour): nothing.
    scene.MoveClock(290);
    PostTimeChange(panel);
    scene.MoveClock(310);
    PostTimeChange(panel);
    EXPECT_FALSE(WaitFor([] { return FindReminderBox() != nullptr; }, 4000));
    EXPECT_NE(KeptReminders().find("2026-10-14 10:15 dismissed"), std::string::npos) << KeptReminders();
    scene.ExpectFilesUntouched();
}

TEST(ReminderE2E, AReminderComesOverTheOpenStartUpBoxAndSnoozeBringsItBack) {
    MemoScene scene;
    const std::string record = scene.Memo(2026, 10, 14, "Call the garage", "10:15");
    ASSERT_TRUE(SpawnAtLocalTime(scene.dir.File("Vellumo.exe"), LocalTimeOf(2026, 10, 14, 10, 15, 5)));
    // The start-up box lists today's memo and stays open: the reminder comes anyway.
    HWND announcement = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] { return (announcement = FindAnnouncementBox()) != nullptr && ::IsWindowVisible(announcement); },
        kStartMs));
    HWND reminder = WaitForReminder(kStartMs);
    ASSERT_NE(reminder, nullptr);
    EXPECT_TRUE(::IsWindowVisible(announcement));
    EXPECT_EQ(MessageBoxText(reminder), record);
    // Over it, as over every window that is not itself topmost.
    EXPECT_NE(::GetWindowLongA(reminder, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_TRUE(Above(reminder, announcement));
    KeepScreen("reminder-over-startup-box");

    // Snoozed for 5 minutes: not back before, back after.
    ::SendDlgItemMessageA(reminder, IDC_SNOOZE_TIME, CB_SETCURSEL, 0, 0);
    ASSERT_TRUE(Answer(reminder, IDC_SNOOZE));
    HWND panel = FindPanel();
    ASSERT_NE(panel, nullptr);
    scene.MoveClock(60);
    PostTimeChange(panel);
    EXPECT_FALSE(WaitFor([] { return FindReminderBox() != nullptr; }, 3000));
    scene.MoveClock(6 * 60);
    PostTimeChange(panel);
    reminder = WaitForReminder(kWokenMs);
    ASSERT_NE(reminder, nullptr);
    EXPECT_EQ(MessageBoxText(reminder), record);
    ASSERT_TRUE(Answer(reminder, IDOK));
    AnswerBox(announcement, IDOK);
    scene.ExpectFilesUntouched();
}

TEST(ReminderE2E, TypingIntoAnotherWindowWhileItAppearsLeavesItOpen) {
    MemoScene scene;
    scene.Memo(2026, 10, 14, "Stand-up", "10:15");
    ASSERT_TRUE(SpawnAtLocalTime(scene.dir.File("Vellumo.exe"), LocalTimeOf(2026, 10, 14, 10, 14, 0)));
    ASSERT_NE(WaitForPanel(false, kStartMs), nullptr);
    DismissAnnouncement(kStartMs);
    // The panel shows (and takes the focus) once the start-up box is closed.
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([] { return !KeptReminders().empty(); }, kStartMs));
    ::Sleep(500);

    // The user's own window, typed into.
    HWND editor = ::CreateWindowExA(0, "EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE,
                                    20, 20, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(WaitFor(
        [&] {
            ::SetForegroundWindow(editor);
            ::SetFocus(editor);
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
            return ::GetForegroundWindow() == editor && ::GetFocus() == editor;
        },
        5000));
    scene.MoveClock(90);
    PostTimeChange(panel);
    // Enter and Space, as someone typing would, all the time the reminder
    // comes up; the text goes on landing in the user's window.
    HWND reminder = nullptr;
    DWORD appeared = 0;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kWokenMs + 2000) {
        for (BYTE key : {static_cast<BYTE>(VK_RETURN), static_cast<BYTE>(VK_SPACE), static_cast<BYTE>('A')}) {
            ::keybd_event(key, 0, 0, 0);
            ::keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        }
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (!reminder && (reminder = FindReminderBox()) != nullptr) appeared = ::GetTickCount();
        if (reminder && ::GetTickCount() - appeared > 1500) break;  // typed on for a while
        ::Sleep(50);
    }
    ASSERT_NE(reminder, nullptr);
    ::Sleep(500);
    EXPECT_TRUE(::IsWindow(reminder) && ::IsWindowVisible(reminder));
    EXPECT_EQ(::GetForegroundWindow(), editor);
    EXPECT_GT(::GetWindowTextLengthA(editor), 10);
    ::DestroyWindow(editor);
    // Clicked, it takes the keyboard: Esc dismisses it as in a message box.
    RECT r{};
    ::GetWindowRect(reminder, &r);
    ASSERT_TRUE(ClickUntil({(r.left + r.right) / 2, r.top + 8},
                           [&] { return ::GetForegroundWindow() == reminder; }, 2000));
    ::Sleep(200);
    ::keybd_event(VK_ESCAPE, 0, 0, 0);
    ::keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(reminder); }, 5000));
    EXPECT_NE(KeptReminders().find("10:15 dismissed"), std::string::npos) << KeptReminders();
    scene.ExpectFilesUntouched();
}

TEST(ReminderE2E, AReminderLeftOpenOverMidnightDoesNotHoldTheDayChangeAndComesAgain) {
    MemoScene scene;
    const std::string record = scene.Memo(2026, 10, 31, "Last call of the day", "23:59");
    // As StartBeforeMidnight does, but the start-up box (today has a memo)
    // holds the panel back until it is answered.
    LateCopy old;
    const DWORD spawned = ::GetTickCount();
    ASSERT_TRUE(SpawnAtLocalTime(scene.dir.File("Vellumo.exe"),
                                 LocalTimeOf(2026, 10, 31, 23, 59, 60 - kLeadSeconds)));
    old.midnight = spawned + kLeadSeconds * 1000;
    old.clockFile = scene.dir.File("Vellumo.clock");
    HWND reminder = WaitForReminder(old.PastMidnight(0));
    ASSERT_NE(reminder, nullptr) << "started too slowly to see the reminder before midnight";
    DismissAnnouncement(old.PastMidnight(0));
    old.panel = WaitForPanel(true, old.PastMidnight(0));
    ASSERT_NE(old.panel, nullptr);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(old.panel, &pid);
    old.process.Reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    ASSERT_TRUE(old.BeforeMidnight()) << "started too slowly to see the reminder before midnight";
    old.HurryToMidnight();

    // Left open: the old copy goes at midnight all the same, with its window.
    EXPECT_TRUE(ProgramDir::WaitExit(old.process.Get(), old.PastMidnight(30000)));
    HWND fresh = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (fresh = FindPanel()) && fresh != old.panel; }, 30000));
    // The new copy shows what was not dismissed, with its time.
    HWND again = WaitForReminder(kStartMs);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, reminder);
    EXPECT_EQ(MessageBoxText(again), record);
    EXPECT_EQ(ItemText(again, IDC_REMINDER_DUE), "This reminder was due 23:59 yesterday.");
    ASSERT_TRUE(Answer(again, IDOK));
    EXPECT_EQ(CountProcesses("Vellumo.exe"), 1);
    scene.ExpectFilesUntouched();
}
