#include "core/memo/ical_repeat.h"

#include <cstdint>
#include <map>

#include "core/memo/ical_recur.h"
#include "core/memo/ical_text.h"

namespace {

const char* const kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// "2TU", "-1FR", "+3MO": the place (1..5, -1) and the weekday.
bool NumberedWeekday(const std::string& text, int& place, int& weekday) {
    if (text.size() < 3) return false;
    weekday = WeekdayOfCode(text.substr(text.size() - 2));
    const std::string number = text.substr(0, text.size() - 2);
    if (number == "-1") {
        place = -1;
    } else {
        std::int64_t n = 0;
        if (!PositiveRuleNumber(number.substr(!number.empty() && number[0] == '+' ? 1 : 0), n) || n > 5)
            return false;
        place = static_cast<int>(n);
    }
    return weekday >= 0;
}

int BitCount(unsigned bits) {
    int n = 0;
    for (; bits != 0; bits &= bits - 1) ++n;
    return n;
}

}  // namespace

std::string RepeatRuleText(const RepeatMemo& memo) {
    static const char* const kFrequencies[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
    std::string rule = std::string("FREQ=") + kFrequencies[static_cast<int>(memo.unit)];
    if (memo.interval > 1) rule += ";INTERVAL=" + std::to_string(memo.interval);
    if (memo.unit == RepeatUnit::Weeks) {
        // The memo's weeks begin on Sunday; it matters only past one week.
        if (memo.interval > 1) rule += ";WKST=SU";
        std::string days;
        const unsigned set = RepeatWeekDays(memo);
        for (int d = 0; d < 7; ++d)
            if ((set & (1u << d)) != 0) days += (days.empty() ? "" : ",") + std::string(kDayCodes[d]);
        rule += ";BYDAY=" + days;
    } else if (memo.unit == RepeatUnit::Months && memo.monthPlace == MonthPlace::LastDay) {
        rule += ";BYMONTHDAY=-1";
    } else if (memo.unit == RepeatUnit::Months && memo.monthPlace == MonthPlace::Weekday) {
        rule += ";BYDAY=" + std::to_string(memo.weekOfMonth) + kDayCodes[memo.weekday % 7];
    } else if (memo.unit == RepeatUnit::Years && memo.first.month == 2 && memo.first.day == 29) {
        rule += ";BYMONTH=2;BYMONTHDAY=-1";
    }
    if (memo.count > 0) {
        rule += ";COUNT=" + std::to_string(memo.count);
    } else if (memo.last) {
        rule += ";UNTIL=" + (memo.hasTime ? IcalDateTime(LocalDateTime{*memo.last, TimeOfDay{23, 59, 59}}, false)
                                          : IcalDate(*memo.last));
    }
    return rule;
}

std::optional<RepeatMemo> RepeatOfRule(const std::string& value, const LocalDateTime& start) {
    std::map<std::string, std::string> parts;
    if (!RuleParts(value, parts)) return std::nullopt;
    const auto take = [&parts](const char* name) {
        const auto it = parts.find(name);
        if (it == parts.end()) return std::string();
        std::string text = it->second;
        parts.erase(it);
        return text;
    };
    const std::string frequency = take("FREQ"), interval = take("INTERVAL"), count = take("COUNT"),
                      until = take("UNTIL"), weekStart = take("WKST"), byDay = take("BYDAY"),
                      byMonth = take("BYMONTH"), byMonthDay = take("BYMONTHDAY");
    if (!parts.empty()) return std::nullopt;  // BYSETPOS, BYYEARDAY, ...: other dates

    RepeatMemo memo;
    memo.first = start.date;
    if (frequency == "DAILY") memo.unit = RepeatUnit::Days;
    else if (frequency == "WEEKLY") memo.unit = RepeatUnit::Weeks;
    else if (frequency == "MONTHLY") memo.unit = RepeatUnit::Months;
    else if (frequency == "YEARLY") memo.unit = RepeatUnit::Years;
    else return std::nullopt;
    std::int64_t n = 1;
    if (!interval.empty() && (!PositiveRuleNumber(interval, n) || n > kMaxRepeatInterval)) return std::nullopt;
    memo.interval = static_cast<int>(n);
    if (!count.empty()) {
        if (!until.empty() || !PositiveRuleNumber(count, n) || n > kMaxRepeatCount) return std::nullopt;
        memo.count = static_cast<int>(n);
    }
    if (!until.empty()) {
        IcalTime end;
        if (!ParseIcalTime(until, end)) return std::nullopt;
        // The last start the rule allows: one later in the day than UNTIL's time is out.
        Date last = end.value.date;
        if (!end.dateOnly && Before(LocalDateTime{last, end.value.time}, LocalDateTime{last, start.time}))
            last = AddDays(last, -1);
        memo.last = last;
    }
    const int weekStart0 = weekStart.empty() ? 1 : WeekdayOfCode(weekStart);
    if (weekStart0 < 0) return std::nullopt;
    const Date& d = start.date;

    if (!byDay.empty()) {
        if (memo.unit == RepeatUnit::Weeks) {
            for (std::size_t p = 0; p <= byDay.size();) {
                std::size_t end = byDay.find(',', p);
                if (end == std::string::npos) end = byDay.size();
                const int day = WeekdayOfCode(byDay.substr(p, end - p));
                if (day < 0) return std::nullopt;
                memo.weekDays |= 1u << day;
                p = end + 1;
            }
            // Weeks of other bounds group the days otherwise past one week.
            const bool sameWeeks = memo.interval == 1 || BitCount(memo.weekDays) == 1 || weekStart0 == 0 ||
                                   (weekStart0 == 1 && (memo.weekDays & 1u) == 0);
            if (!sameWeeks) return std::nullopt;
        } else if (memo.unit == RepeatUnit::Months && byMonthDay.empty()) {
            if (!NumberedWeekday(byDay, memo.weekOfMonth, memo.weekday)) return std::nullopt;
            memo.monthPlace = MonthPlace::Weekday;
        } else {
            return std::nullopt;
        }
    }
    if (!byMonth.empty()) {
        if (memo.unit != RepeatUnit::Years || !PositiveRuleNumber(byMonth, n) || n != d.month) return std::nullopt;
    }
    if (!byMonthDay.empty()) {
        const bool lastDay = byMonthDay == "-1";
        if (!lastDay && (!PositiveRuleNumber(byMonthDay.substr(byMonthDay[0] == '+' ? 1 : 0), n) || n != d.day))
            return std::nullopt;
        if (lastDay) {
            if (memo.unit == RepeatUnit::Months) {
                memo.monthPlace = MonthPlace::LastDay;
            } else if (memo.unit != RepeatUnit::Years || byMonth != "2" || d.month != 2 || d.day != 29) {
                // Yearly on February's last day is the memo's 29 February, started in a leap year.
                return std::nullopt;
            }
        } else if (memo.unit != RepeatUnit::Months && memo.unit != RepeatUnit::Years) {
            return std::nullopt;
        }
    } else if (memo.unit == RepeatUnit::Years && d.month == 2 && d.day == 29) {
        return std::nullopt;  // this rule skips common years, the memo does not
    }
    // The start is the first date of the memo's rule too (a calendar adds a
    // start its rule does not give).
    RepeatMemo bare = memo;
    bare.count = 0;
    bare.last.reset();
    if (!RepeatsOn(bare, d)) return std::nullopt;
    return memo;
}

std::optional<Date> FirstRuleDate(const RepeatMemo& memo) {
    RepeatMemo bare = memo;
    bare.skipped.clear();
    bare.count = 0;
    bare.last.reset();
    const std::vector<Date> first = RepeatDates(bare, memo.first, Date{9999, 12, 31}, 1);
    if (first.empty()) return std::nullopt;
    return first.front();
}

std::optional<int> MinutesAhead(const std::string& trigger) {
    std::size_t pos = 0;
    const bool before = !trigger.empty() && trigger[0] == '-';
    if (!trigger.empty() && (trigger[0] == '-' || trigger[0] == '+')) ++pos;
    if (pos >= trigger.size() || trigger[pos++] != 'P') return std::nullopt;
    std::int64_t seconds = 0;
    bool time = false, any = false;
    while (pos < trigger.size()) {
        if (trigger[pos] == 'T' && !time) {
            time = true;
            ++pos;
            continue;
        }
        std::int64_t n = 0;
        const std::size_t digits = pos;
        while (pos < trigger.size() && trigger[pos] >= '0' && trigger[pos] <= '9' && pos - digits < 9)
            n = n * 10 + (trigger[pos++] - '0');
        if (pos == digits || pos >= trigger.size()) return std::nullopt;
        const char unit = trigger[pos++];
        const std::int64_t size = !time && unit == 'W' ? 604800 : !time && unit == 'D' ? 86400
                                  : time && unit == 'H' ? 3600 : time && unit == 'M' ? 60
                                  : time && unit == 'S' ? 1 : 0;
        if (size == 0) return std::nullopt;
        seconds += n * size;
        any = true;
    }
    if (!any) return std::nullopt;
    if (seconds == 0) return 0;
    if (!before) return std::nullopt;
    return static_cast<int>(seconds / 60 > 1000000 ? 1000000 : seconds / 60);
}

std::string AheadTrigger(int minutes) {
    if (minutes <= 0) return "PT0S";
    if (minutes % (7 * 1440) == 0) return "-P" + std::to_string(minutes / (7 * 1440)) + "W";
    if (minutes % 1440 == 0) return "-P" + std::to_string(minutes / 1440) + "D";
    if (minutes % 60 == 0) return "-PT" + std::to_string(minutes / 60) + "H";
    return "-PT" + std::to_string(minutes) + "M";
}
