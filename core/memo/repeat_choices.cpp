#include "core/memo/repeat_choices.h"

#include "core/calendar/day_number.h"
#include "core/memo/ical_time.h"
#include "core/memo/memo_format.h"

std::size_t AheadChoiceOf(int minutes) {
    std::size_t item = 0;
    for (std::size_t i = 0; i < kAheadChoiceCount; ++i)
        if (kAheadChoiceMinutes[i] <= minutes) item = i;
    return item;
}

RepeatChoice RepeatChoiceOf(const RepeatMemo& memo) {
    if (memo.interval != 1 || memo.last || memo.count != 0) return RepeatChoice::Custom;
    switch (memo.unit) {
        case RepeatUnit::Days:
            return RepeatChoice::Daily;
        case RepeatUnit::Weeks:
            return RepeatWeekDays(memo) == 1u << Weekday(memo.first) ? RepeatChoice::Weekly
                                                                      : RepeatChoice::Custom;
        case RepeatUnit::Months:
            return memo.monthPlace == MonthPlace::SameDay ? RepeatChoice::Monthly
                                                          : RepeatChoice::Custom;
        case RepeatUnit::Years:
        default:
            return RepeatChoice::Yearly;
    }
}

void ApplyRepeatChoice(RepeatMemo& memo, RepeatChoice choice, const Date& first) {
    memo.first = first;
    if (choice == RepeatChoice::None || choice == RepeatChoice::Custom) return;
    static const RepeatUnit kUnits[] = {RepeatUnit::Days, RepeatUnit::Weeks, RepeatUnit::Months,
                                        RepeatUnit::Years};
    memo.unit = kUnits[static_cast<int>(choice) - 1];
    memo.interval = 1;
    memo.weekDays = 0;
    memo.monthPlace = MonthPlace::SameDay;
    memo.last.reset();
    memo.count = 0;
}

int WeekOfMonthOf(const Date& date) {
    const int n = (date.day - 1) / 7 + 1;
    return n >= 5 ? -1 : n;
}

std::string WeekdayPlaceText(const Date& date) {
    static const char* const kOrdinals[] = {"first", "second", "third", "fourth"};
    static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    const int n = WeekOfMonthOf(date);
    return std::string("On the ") + (n < 0 ? "last" : kOrdinals[n - 1]) + " " +
           kDays[Weekday(date)];
}

std::string RepeatNoteText(const RepeatMemo& memo) {
    if (memo.unit == RepeatUnit::Years && memo.first.month == 2 && memo.first.day == 29)
        return "In common years: 28 February.";
    if (memo.unit == RepeatUnit::Months && memo.monthPlace == MonthPlace::SameDay &&
        memo.first.day > 28) {
        const int d = memo.first.day;
        return "Months without a " + std::to_string(d) + (d == 31 ? "st" : "th") +
               " are skipped.";
    }
    return std::string();
}

std::string AheadReminderText(const Date& due, int hour, int minute, const Date& shownOn,
                              const std::string& content) {
    const std::int64_t days = DayNumber(due) - DayNumber(shownOn);
    const std::string when = days == 0   ? "today"
                             : days == 1 ? "tomorrow"
                                         : "on " + DateText(due.year, due.month, due.day);
    return MemoRecord(DateText(due.year, due.month, due.day),
                      "Due " + when + " at " + std::to_string(hour) + ":" +
                          (minute < 10 ? "0" : "") + std::to_string(minute) + ": " + content);
}
