#include "core/memo/reminder_schedule.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <tuple>

namespace {

WallMinute At(int year, int month, int day, int hour, int minute) {
    return WallMinuteOf(Date{year, month, day}, hour, minute);
}

ReminderKey Key(int year, int month, int day, int hour, int minute) {
    return ReminderKey{Date{year, month, day}, hour, minute};
}

// The memo store's files and the kept state, which goes through its text
// between passes as it does through the registry.
struct Fixture {
    std::map<std::tuple<int, int, int>, std::string> memos, notices;
    std::string kept;
    bool catchUp = true;
    int reads = 0;
    RepeatReminderReader repeats;

    void Memo(int y, int m, int d, const std::string& notice) {
        memos[{y, m, d}] = "[" + DateText(y, m, d) + "] Memo";
        notices[{y, m, d}] = notice;
    }
    DayTextReader Reader(std::map<std::tuple<int, int, int>, std::string>& files) {
        return [this, &files](int y, int m, int d) -> std::optional<std::string> {
            ++reads;
            const auto it = files.find({y, m, d});
            if (it == files.end()) return std::nullopt;
            return it->second;
        };
    }
    ReminderPass Pass(WallMinute now) {
        ReminderPass pass =
            RunSchedule(ParseReminderState(kept), now, catchUp, Reader(memos), Reader(notices), repeats);
        kept = ReminderStateText(pass.state);
        return pass;
    }
    // A pass each minute; the due times of what came new (not shown again).
    std::vector<WallMinute> ShownBetween(WallMinute first, WallMinute last) {
        std::vector<WallMinute> due;
        for (WallMinute m = first; m <= last; ++m)
            for (const DueReminder& r : Pass(m).toShow)
                if (r.reason != ShowReason::ShownAgain) due.push_back(r.due);
        return due;
    }
    void DismissAll(const ReminderPass& pass) {
        std::vector<ReminderKey> keys;
        for (const DueReminder& r : pass.toShow) keys.push_back(r.key);
        kept = ReminderStateText(Dismiss(ParseReminderState(kept), keys));
    }
};

}  // namespace

TEST(ReminderSchedule, WallMinutesCountCivilDaysBothWays) {
    EXPECT_EQ(0, At(1970, 1, 1, 0, 0));
    EXPECT_EQ(At(2100, 3, 1, 0, 0) - kMinutesPerDay, At(2100, 2, 28, 0, 0));  // no 2100-2-29
    for (const Date& d : {Date{-1, 12, 31}, Date{INT_MAX, 12, 31}, Date{INT_MIN, 1, 1}})
        EXPECT_EQ(d, LocalDateTimeOf(WallMinuteOf(d, 23, 7)).date);
    // Every day of 400 years steps to the next.
    for (WallMinute m = At(1900, 1, 1, 12, 0); m < At(2300, 1, 1, 0, 0); m += kMinutesPerDay) {
        const Date a = LocalDateTimeOf(m).date, b = LocalDateTimeOf(m + kMinutesPerDay).date;
        ASSERT_TRUE(IsRealDate(a));
        ASSERT_TRUE(b.day == a.day + 1 || (b.day == 1 && (b.month == a.month % 12 + 1)));
    }
    EXPECT_EQ(INT_MAX, LocalDateTimeOf(INT64_MAX).date.year);  // kept inside the years of int
}

TEST(ReminderSchedule, AJumpForwardShowsEveryTimeItCrossedOnceIncludingOverMidnight) {
    Fixture f;
    f.Memo(2026, 12, 9, "23:50");
    f.Memo(2026, 12, 10, "0:05");
    f.Memo(2026, 12, 11, "9:00");
    // A first pass ever looks at its own minute only.
    EXPECT_TRUE(f.Pass(At(2026, 12, 11, 9, 1)).toShow.empty());
    f.kept.clear();
    f.Pass(At(2026, 12, 9, 23, 40));
    const ReminderPass pass = f.Pass(At(2026, 12, 10, 0, 20));  // slept over both
    ASSERT_EQ(2u, pass.toShow.size());
    EXPECT_EQ(Key(2026, 12, 9, 23, 50), pass.toShow[0].key);
    EXPECT_EQ(30, pass.toShow[0].minutesLate);
    EXPECT_EQ("[2026-12-10] Memo", pass.toShow[1].memoText);
    // Shown, not dismissed: a restart shows them again, and nothing new.
    const ReminderPass again = f.Pass(At(2026, 12, 10, 0, 21));
    ASSERT_EQ(2u, again.toShow.size());
    EXPECT_EQ(ShowReason::ShownAgain, again.toShow[1].reason);
    f.DismissAll(again);
    EXPECT_TRUE(f.ShownBetween(At(2026, 12, 10, 0, 22), At(2026, 12, 10, 1, 0)).empty());
}

TEST(ReminderSchedule, AWeekAwayGivesOneSummaryAndTheLastDayOneByOne) {
    Fixture f;
    for (int d = 1; d <= 7; ++d) f.Memo(2026, 12, d, "10:00");
    f.Memo(2026, 12, 8, "10:01");  // 23:59 late
    f.Memo(2026, 12, 9, "9:00");
    f.Pass(At(2026, 12, 1, 9, 0));
    const ReminderPass pass = f.Pass(At(2026, 12, 9, 10, 0));
    ASSERT_EQ(2u, pass.toShow.size());
    EXPECT_EQ(Key(2026, 12, 8, 10, 1), pass.toShow[0].key);
    EXPECT_EQ(60, pass.toShow[1].minutesLate);
    EXPECT_EQ("7 older reminders were missed, the first on 2026-12-1.",
              MissedSummaryText(pass.olderMissed, pass.firstMissed));
    f.DismissAll(pass);
    EXPECT_EQ(0, f.Pass(At(2026, 12, 9, 10, 1)).olderMissed);  // counted once
    // Exactly a day late is older.
    f.Memo(2026, 12, 10, "10:01");
    EXPECT_EQ(1, f.Pass(At(2026, 12, 11, 10, 1)).olderMissed);
}

TEST(ReminderSchedule, AFallBackDoesNotRepeatADismissedMinute) {
    Fixture f;
    f.Memo(2026, 10, 25, "2:30");
    f.Pass(At(2026, 10, 25, 2, 0));
    EXPECT_EQ(std::vector<WallMinute>{At(2026, 10, 25, 2, 30)},
              f.ShownBetween(At(2026, 10, 25, 2, 1), At(2026, 10, 25, 2, 30)));
    f.DismissAll(f.Pass(At(2026, 10, 25, 2, 31)));
    f.ShownBetween(At(2026, 10, 25, 2, 32), At(2026, 10, 25, 2, 59));
    // The clock goes back an hour and lives 2:00..2:59 again.
    EXPECT_TRUE(f.ShownBetween(At(2026, 10, 25, 2, 0), At(2026, 10, 25, 3, 10)).empty());
}

TEST(ReminderSchedule, AClockSetAYearAheadAndBackLosesNothing) {
    Fixture f;
    f.Memo(2026, 12, 10, "9:00");
    f.Memo(2027, 12, 9, "8:00");
    f.Pass(At(2026, 12, 9, 12, 0));
    const ReminderPass ahead = f.Pass(At(2027, 12, 9, 12, 0));
    ASSERT_EQ(1u, ahead.toShow.size());
    f.DismissAll(ahead);  // 2027-12-9 8:00
    EXPECT_EQ(1, ahead.olderMissed);
    EXPECT_TRUE(f.Pass(At(2026, 12, 9, 12, 1)).toShow.empty());  // set back
    EXPECT_EQ(std::string::npos, f.kept.find("2027"));  // that future's record went
    EXPECT_EQ(1u, f.Pass(At(2026, 12, 10, 9, 0)).toShow.size());
    // Ten years away: at most a year and a day of dates read.
    f.reads = 0;
    f.Pass(At(2036, 12, 10, 9, 0));
    EXPECT_LE(f.reads, 2 * 368);
}

TEST(ReminderSchedule, ASnoozeComesBackAfterItsTimeAlsoAfterARestart) {
    Fixture f;
    f.Memo(2026, 12, 9, "14:30");
    f.Pass(At(2026, 12, 9, 14, 29));
    ASSERT_EQ(1u, f.Pass(At(2026, 12, 9, 14, 30)).toShow.size());
    const ReminderKey key = Key(2026, 12, 9, 14, 30);
    f.kept = ReminderStateText(Snooze(ParseReminderState(f.kept), {key}, At(2026, 12, 9, 14, 40)));
    EXPECT_TRUE(f.ShownBetween(At(2026, 12, 9, 14, 31), At(2026, 12, 9, 14, 39)).empty());
    const ReminderPass back = f.Pass(At(2026, 12, 9, 14, 45));  // restarted after its end
    ASSERT_EQ(1u, back.toShow.size());
    EXPECT_EQ(ShowReason::SnoozeReturn, back.toShow[0].reason);
    EXPECT_EQ(15, back.toShow[0].minutesLate);
    // A snooze set under a clock since set back by a day does not wait a day.
    f.kept = ReminderStateText(Snooze(ParseReminderState(f.kept), {key}, At(2026, 12, 10, 14, 50)));
    EXPECT_EQ(1u, f.Pass(At(2026, 12, 9, 14, 47)).toShow.size());
}

TEST(ReminderSchedule, ShownRemindersFollowTheirMemoAndExpireAsMissed) {
    Fixture f;
    f.Memo(2026, 12, 9, "14:30");
    f.Pass(At(2026, 12, 9, 14, 29));
    ASSERT_EQ(1u, f.Pass(At(2026, 12, 9, 14, 30)).toShow.size());
    // Edited to a new time: the old one goes, the new time reminds again.
    f.Memo(2026, 12, 9, "15:00");
    EXPECT_TRUE(f.Pass(At(2026, 12, 9, 14, 31)).toShow.empty());
    EXPECT_EQ(std::vector<WallMinute>{At(2026, 12, 9, 15, 0)},
              f.ShownBetween(At(2026, 12, 9, 14, 32), At(2026, 12, 9, 15, 5)));
    // Never dismissed, and the machine off for a week: counted, not lost.
    const ReminderPass later = f.Pass(At(2026, 12, 16, 15, 0));
    EXPECT_TRUE(later.toShow.empty());
    EXPECT_EQ("1 older reminder was missed, on 2026-12-9.",
              MissedSummaryText(later.olderMissed, later.firstMissed));
    EXPECT_EQ("pass 2026-12-16 15:00", f.kept);
}

TEST(ReminderSchedule, OnlyTheRemindMinuteCountsWithoutCatchingUp) {
    Fixture f;
    f.catchUp = false;
    f.Memo(2026, 12, 9, "14:30");
    f.Memo(2026, 12, 8, "14:30");
    f.Pass(At(2026, 12, 8, 12, 0));
    const ReminderPass slept = f.Pass(At(2026, 12, 9, 14, 31));  // a minute late: shown
    ASSERT_EQ(1u, slept.toShow.size());
    EXPECT_EQ(Key(2026, 12, 9, 14, 30), slept.toShow[0].key);
    EXPECT_EQ(0, slept.olderMissed);
    f.DismissAll(slept);
    f.Memo(2026, 12, 10, "14:30");
    EXPECT_TRUE(f.Pass(At(2026, 12, 10, 14, 32)).toShow.empty());
    EXPECT_TRUE(f.Pass(At(2026, 12, 10, 14, 33)).toShow.empty());  // dropped, not kept
}

TEST(ReminderSchedule, OnlyAMemoWithTextAndAClockTimeIsDue) {
    Fixture f;
    f.memos[{2026, 12, 9}] = "";
    f.notices[{2026, 12, 9}] = "14:30";
    EXPECT_FALSE(ReadDayReminder(Date{2026, 12, 9}, f.Reader(f.memos), f.Reader(f.notices)));
    EXPECT_EQ(1, f.reads);  // no notice read for an empty memo
    for (const char* notice : {"1430", "24:00", "12:60", "-1:5", "99999999999:1"}) {
        f.Memo(2026, 12, 9, notice);
        EXPECT_FALSE(ReadDayReminder(Date{2026, 12, 9}, f.Reader(f.memos), f.Reader(f.notices)));
    }
}

TEST(ReminderSchedule, TheKeptTextReadsBackAndSurvivesHostileData) {
    ReminderState state;
    state.lastPass = At(2026, 12, 9, 14, 31);
    state.records = {{Key(-1, 12, 31, 0, 0), ReminderStatus::Dismissed, 0},
                     {Key(2026, 12, 9, 9, 5), ReminderStatus::Pending, 0},
                     {Key(2026, 12, 9, 14, 30), ReminderStatus::Snoozed, At(2026, 12, 10, 0, 20)}};
    const std::string text = ReminderStateText(state);
    EXPECT_EQ("pass 2026-12-9 14:31; -1-12-31 0:00 dismissed; 2026-12-9 9:05 pending; "
              "2026-12-9 14:30 snoozed 2026-12-10 0:20",
              text);
    EXPECT_EQ(text, ReminderStateText(ParseReminderState(text)));

    const ReminderState odd = ParseReminderState(
        " PASS  2026-12-9 14:31 ;; 2026-2-29 1:00 dismissed; 2026-12-9 24:00 pending;"
        "2026-12-9 1:1:1 pending; 2026-12-9 1:00 done; 2026-12-9 1:00 snoozed; x-1-1 1:00 pending;"
        "99999999999-12-31 23:59 dismissed; 2026-12-9 2:00 Pending; 2026-12-9 2:00 dismissed;"
        "pass 2027-1-1 0:00; 2026-12-9 3:00 snoozed 2026-12-9 99999999999:00\n");
    EXPECT_EQ("pass 2026-12-9 14:31; 2147483647-12-31 23:59 dismissed; 2026-12-9 2:00 pending",
              ReminderStateText(odd));  // saturated; the first record of a key
    // Bounded: a huge text is read only so far, and never more records than the cap.
    std::string flood;
    for (int i = 0; i < 40000; ++i)
        flood += DateText(2000 + i / 365, 1 + (i / 28) % 12, 1 + i % 28) + " 1:00 dismissed;";
    EXPECT_EQ(kMaxReminderRecords, ParseReminderState(flood).records.size());
    Fixture f;
    f.kept = flood;
    f.Pass(At(2026, 12, 9, 0, 0));
    EXPECT_EQ("pass 2026-12-9 0:00", f.kept);  // none outside the kept span
}

TEST(ReminderSchedule, TheWindowSaysWhenEachWasDue) {
    const WallMinute now = At(2026, 12, 9, 16, 0);
    DueReminder r{Key(2026, 12, 9, 15, 59), 0, 1, ShowReason::Due,
                  "[2026-12-9] \r\n  Dentist \r\nat 4"};
    EXPECT_EQ("15:59  Dentist", ReminderEntryText(r, now));
    r.key = Key(2026, 12, 9, 9, 5);
    r.minutesLate = 415;
    EXPECT_EQ("due 9:05  Dentist", ReminderEntryText(r, now));
    r.key = Key(2026, 12, 8, 17, 0);
    EXPECT_EQ("due 17:00 yesterday  Dentist", ReminderEntryText(r, now));
    r.key = Key(2026, 12, 10, 2, 0);
    r.memoText = "[2026-12-10] ";
    EXPECT_EQ("due 2026-12-10 2:00", ReminderEntryText(r, now));
}

TEST(ReminderSchedule, AMemoSavedForThisMinuteAfterItsPassStillComesOnce) {
    Fixture f;
    f.Pass(At(2026, 12, 9, 14, 30));  // the 14:30 pass has run: nothing due yet
    f.Memo(2026, 12, 9, "14:30");     // saved a few seconds later
    const ReminderPass same = f.Pass(At(2026, 12, 9, 14, 30));
    ASSERT_EQ(1u, same.toShow.size());
    EXPECT_EQ(ShowReason::Due, same.toShow[0].reason);
    f.DismissAll(same);
    EXPECT_TRUE(f.Pass(At(2026, 12, 9, 14, 30)).toShow.empty());
    EXPECT_TRUE(f.Pass(At(2026, 12, 9, 14, 31)).toShow.empty());
}

TEST(ReminderSchedule, RepeatingMemosRemindOnEachDateOnceAndShareTheOwnMemosTime) {
    Fixture f;
    // A yearly memo at 9:05 and another at 14:30, on every 12 March.
    f.repeats = [](const Date& date) {
        std::vector<DayReminder> found;
        if (date.month == 3 && date.day == 12) {
            found.push_back(DayReminder{9, 5, "[" + DateText(date.year, 3, 12) + "] Birthday"});
            found.push_back(DayReminder{14, 30, "[" + DateText(date.year, 3, 12) + "] Call"});
        }
        return found;
    };
    f.Memo(2029, 3, 12, "9:05");
    f.Pass(At(2029, 3, 12, 9, 0));
    const ReminderPass due = f.Pass(At(2029, 3, 12, 9, 5));
    ASSERT_EQ(1u, due.toShow.size());
    EXPECT_EQ("[2029-3-12] Memo\r\n[2029-3-12] Birthday", due.toShow[0].memoText);
    f.DismissAll(due);
    EXPECT_EQ((std::vector<WallMinute>{At(2029, 3, 12, 14, 30)}),
              f.ShownBetween(At(2029, 3, 12, 9, 6), At(2029, 3, 13, 0, 0)));
    // Caught up after the program was away: the next year's, once.
    f.DismissAll(f.Pass(At(2029, 3, 13, 0, 1)));
    f.Pass(At(2030, 3, 11, 23, 0));
    const ReminderPass late = f.Pass(At(2030, 3, 12, 10, 0));
    ASSERT_EQ(1u, late.toShow.size());
    EXPECT_EQ(Key(2030, 3, 12, 9, 5), late.toShow[0].key);
    EXPECT_EQ(1u, f.Pass(At(2030, 3, 12, 10, 1)).toShow.size());  // still pending, shown again
    f.DismissAll(late);
    EXPECT_TRUE(f.Pass(At(2030, 3, 12, 10, 2)).toShow.empty());
}
