#include "core/memo/reminder_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace {

LocalDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    return LocalDateTime{Date{year, month, day}, TimeOfDay{hour, minute, second}};
}

// Memo and notice files of some dates; records which dates were read.
struct FakeFiles {
    std::map<std::tuple<int, int, int>, std::string> memos, notices;
    int reads = 0;
    DayTextReader Reader(std::map<std::tuple<int, int, int>, std::string>& files) {
        return [this, &files](int y, int m, int d) -> std::optional<std::string> {
            ++reads;
            auto it = files.find({y, m, d});
            if (it == files.end()) return std::nullopt;
            return it->second;
        };
    }
    ReminderDecision Check(const LocalDateTime& now, ReminderMemory& memory) {
        return CheckReminder(now, Reader(memos), Reader(notices), memory);
    }
};

const std::string kDentist = "[2008-1-5] Dentist";

}  // namespace

TEST(ReminderRules, DueDuringTheRemindMinuteOnly) {
    FakeFiles files;
    files.memos[{2008, 1, 5}] = kDentist;
    files.notices[{2008, 1, 5}] = "1:30";
    ReminderMemory memory;
    EXPECT_FALSE(files.Check(At(2008, 1, 5, 1, 29, 59), memory).due);
    const ReminderDecision due = files.Check(At(2008, 1, 5, 1, 30, 0), memory);
    EXPECT_TRUE(due.due);
    EXPECT_EQ(kDentist, due.text);
    EXPECT_FALSE(files.Check(At(2008, 1, 5, 1, 30, 27), memory).due);  // shown once
    EXPECT_FALSE(files.Check(At(2008, 1, 5, 1, 31, 0), memory).due);
    EXPECT_FALSE(files.Check(At(2008, 1, 5, 13, 30, 0), memory).due);
}

TEST(ReminderRules, OnlyTodaysMemoCounts) {
    FakeFiles files;
    files.memos[{2008, 1, 6}] = "[2008-1-6] Tomorrow";
    files.notices[{2008, 1, 6}] = "1:30";
    ReminderMemory memory;
    EXPECT_FALSE(files.Check(At(2008, 1, 5, 1, 30), memory).due);
    EXPECT_TRUE(files.Check(At(2008, 1, 6, 1, 30), memory).due);
}

TEST(ReminderRules, NoReminderWithoutMemoTextOrTime) {
    ReminderMemory memory;
    const LocalDateTime now = At(2008, 1, 5, 1, 30);
    FakeFiles files;
    files.notices[{2008, 1, 5}] = "1:30";  // notice left behind by a deleted memo
    EXPECT_FALSE(files.Check(now, memory).due);
    EXPECT_EQ(1, files.reads);  // the notice is not even read
    files.memos[{2008, 1, 5}] = "";
    EXPECT_FALSE(files.Check(now, memory).due);
    EXPECT_FALSE(DecideReminder(now, kDentist, std::nullopt, memory).due);
    EXPECT_FALSE(DecideReminder(now, kDentist, std::string("130"), memory).due);
    EXPECT_FALSE(memory.any);
}

TEST(ReminderRules, EmptyHourMeansMidnight) {
    ReminderMemory memory;
    EXPECT_TRUE(DecideReminder(At(2008, 1, 5, 0, 30), kDentist, std::string(":30"), memory).due);
}

TEST(ReminderRules, ChangedTextOrTimeRearms) {
    ReminderMemory memory;
    const LocalDateTime now = At(2008, 1, 5, 9, 5);
    EXPECT_TRUE(DecideReminder(now, kDentist, std::string("9:05"), memory).due);
    EXPECT_FALSE(DecideReminder(now, kDentist, std::string("9:5"), memory).due);  // same time
    EXPECT_TRUE(DecideReminder(now, kDentist + " at 10", std::string("9:5"), memory).due);
    EXPECT_TRUE(DecideReminder(At(2008, 1, 5, 9, 6), kDentist + " at 10", std::string("9:6"),
                               memory).due);
    // The same memo and time on another date is another reminder.
    EXPECT_TRUE(DecideReminder(At(2008, 1, 6, 9, 6), kDentist + " at 10", std::string("9:6"),
                               memory).due);
}
