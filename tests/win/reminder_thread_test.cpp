// The reminder check against real files: one pass (the box, its text, that
// it has no owner, that the same reminder is not raised twice) and the
// thread itself (one per process, and the tests' stop).
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/instance/app_state.h"
#include "app/memo/memo_store.h"
#include "app/memo/reminder_thread.h"
#include "platform/handles.h"
#include "tests/win/win_test_support.h"

namespace {

struct Box {
    HWND wnd = nullptr;
    std::string text;
    HWND owner = nullptr;
};

// Waits for the reminder box, reads it and closes it.
Box TakeReminderBox(DWORD timeoutMs) {
    Box box;
    PumpUntil([&] { return (box.wnd = ::FindWindowA("#32770", kReminderCaption)) != nullptr; },
              timeoutMs);
    if (!box.wnd) return box;
    box.text = MessageBoxText(box.wnd);
    box.owner = ::GetWindow(box.wnd, GW_OWNER);
    AnswerBox(box.wnd, IDOK);
    return box;
}

}  // namespace

TEST(ReminderPass, ShowsTodaysDueMemoOnceWithItsWholeTextAndNoOwner) {
    const ScratchDir dir("vellumo-reminder", {"Remark", "Notice"});
    InitMemoPaths(dir.Path());
    LocalDateTime now = LocalDateTimeNow();
    const Date& d = now.date;
    const std::string memoPath = MakeDayFilePath(RemarkPrefix, d.year, d.month, d.day);
    const std::string noticePath = MakeDayFilePath(NoticePrefix, d.year, d.month, d.day);
    const std::string record = "[" + DateText(d.year, d.month, d.day) + "] Dentist";
    WriteFileBytes(memoPath, record);
    WriteFileBytes(noticePath, std::to_string(now.time.hour) + ":" + std::to_string(now.time.minute));

    ReminderMemory memory;
    bool shown = false;
    std::thread pass([&] { shown = RunReminderPass(now, memory); });
    const Box box = TakeReminderBox(20000);
    pass.join();
    ASSERT_NE(box.wnd, nullptr);
    EXPECT_TRUE(shown);
    EXPECT_EQ(box.text, record);
    EXPECT_EQ(box.owner, nullptr);

    // The next pass in the same minute raises nothing.
    now.time.second = (now.time.second + 27) % 60;
    EXPECT_FALSE(RunReminderPass(now, memory));

    // A changed text is a new reminder.
    WriteFileBytes(memoPath, record + " at nine");
    std::thread again([&] { shown = RunReminderPass(now, memory); });
    const Box second = TakeReminderBox(20000);
    again.join();
    EXPECT_EQ(second.text, record + " at nine");

    // A notice without ":" or none at all: no reminder and no failure.
    ReminderMemory fresh;
    WriteFileBytes(noticePath, std::to_string(now.time.hour) + std::to_string(now.time.minute));
    EXPECT_FALSE(RunReminderPass(now, fresh));
    ::DeleteFileA(noticePath.c_str());
    EXPECT_FALSE(RunReminderPass(now, fresh));

}

TEST(ReminderThread, OneRunsPerProcessAndTheTestStopEndsIt) {
    const ScratchDir dir("vellumo-reminder", {"Remark", "Notice"});
    InitMemoPaths(dir.Path());
    // Whole minute ahead for the box below.
    while (LocalDateTimeNow().time.second >= 50) ::Sleep(200);
    const LocalDateTime now = LocalDateTimeNow();
    const Date& d = now.date;
    const std::string memoPath = MakeDayFilePath(RemarkPrefix, d.year, d.month, d.day);
    const std::string noticePath = MakeDayFilePath(NoticePrefix, d.year, d.month, d.day);
    WriteFileBytes(memoPath, "[" + DateText(d.year, d.month, d.day) + "] Due now");
    WriteFileBytes(noticePath, std::to_string(now.time.hour) + ":" + std::to_string(now.time.minute));

    const auto ended = [](DWORD id, DWORD ms) {
        KernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, id));
        return !thread || ::WaitForSingleObject(thread.Get(), ms) == WAIT_OBJECT_0;
    };
    // Stopped while it shows a box: the box goes and the thread ends.
    const DWORD id = StartReminderThread();
    ASSERT_NE(0u, id);
    EXPECT_EQ(id, StartReminderThread());
    HWND box = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (box = ::FindWindowA("#32770", kReminderCaption)) != nullptr; }, 20000));
    EXPECT_TRUE(StopReminderThread());
    EXPECT_TRUE(ended(id, 0));
    EXPECT_FALSE(::IsWindow(box));

    // Stopped while it waits between passes: at once, not after 27 s.
    ::DeleteFileA(memoPath.c_str());
    const DWORD next = StartReminderThread();
    ASSERT_NE(0u, next);
    EXPECT_FALSE(ended(next, 300));
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(StopReminderThread());
    EXPECT_LT(::GetTickCount() - start, 20000u);  // well short of the 27 s between passes
    EXPECT_TRUE(StopReminderThread());  // none left

}
