#include "core/memo/repeat_memo.h"

#include <algorithm>

#include "core/base/text_number.h"
#include "core/calendar/day_number.h"
#include "core/calendar/month_model.h"
#include "core/memo/ical_recur.h"
#include "core/memo/ical_time.h"
#include "core/memo/memo_format.h"

namespace {

// Hands the rule's dates over in order and says when no later one is wanted.
class Walk {
public:
    Walk(const RepeatMemo& memo, std::int64_t fromDay, std::int64_t toDay, std::size_t limit)
        : memo_(memo), fromDay_(fromDay), toDay_(toDay), limit_(limit) {
        if (memo.last && DayNumber(*memo.last) < toDay_) toDay_ = DayNumber(*memo.last);
        for (const Date& d : memo.skipped) skipped_.push_back(DayNumber(d));
        std::sort(skipped_.begin(), skipped_.end());
    }

    bool Take(std::int64_t day) {
        if (day > toDay_) return false;
        if (memo_.count > 0 && counted_ >= memo_.count) return false;
        ++counted_;
        if (day >= fromDay_ && !std::binary_search(skipped_.begin(), skipped_.end(), day)) {
            found_.push_back(DateOfDayNumber(day));
            if (found_.size() >= limit_) return false;
        }
        return true;
    }
    void SetCounted(std::int64_t n) { counted_ = n; }
    std::int64_t FromDay() const { return fromDay_; }
    std::int64_t ToDay() const { return toDay_; }
    std::vector<Date>& Found() { return found_; }

private:
    const RepeatMemo& memo_;
    std::int64_t fromDay_, toDay_;
    std::size_t limit_;
    std::int64_t counted_ = 0;
    std::vector<std::int64_t> skipped_;
    std::vector<Date> found_;
};

// The period that holds `fromUnit`, or 0 before the first.
std::int64_t PeriodAt(std::int64_t fromUnit, std::int64_t firstUnit, std::int64_t step) {
    return fromUnit <= firstUnit ? 0 : (fromUnit - firstUnit) / step;
}

void EveryNDays(Walk& w, std::int64_t firstDay, std::int64_t step) {
    std::int64_t k = PeriodAt(w.FromDay(), firstDay, step);
    w.SetCounted(k);
    while (w.Take(firstDay + k * step)) ++k;
}

void EveryNWeeks(Walk& w, const RepeatMemo& memo, std::int64_t firstDay) {
    const unsigned days = RepeatWeekDays(memo);
    const std::int64_t base = firstDay - Weekday(memo.first);  // the Sunday of the first week
    int firstWeek = 0, perWeek = 0;
    for (int j = 0; j < 7; ++j) {
        if ((days & (1u << j)) == 0) continue;
        ++perWeek;
        if (base + j >= firstDay) ++firstWeek;
    }
    const std::int64_t step = 7 * static_cast<std::int64_t>(memo.interval);
    std::int64_t k = PeriodAt(w.FromDay(), base, step);
    if (k > 0) w.SetCounted(firstWeek + (k - 1) * perWeek);
    for (;; ++k)
        for (int j = 0; j < 7; ++j) {
            const std::int64_t day = base + k * step + j;
            if (day < firstDay || (days & (1u << j)) == 0) continue;
            if (!w.Take(day)) return;
        }
}

// The day of the rule in one month; 0 when the month has none.
int DayInMonth(const RepeatMemo& memo, int year, int month) {
    const int length = DaysInMonth(year, month);
    if (memo.unit == RepeatUnit::Years)
        return memo.first.day > length ? length : memo.first.day;  // 29 February: the 28th
    switch (memo.monthPlace) {
        case MonthPlace::LastDay:
            return length;
        case MonthPlace::Weekday: {
            const int first = FirstWeekday(year, month);
            if (memo.weekOfMonth < 0) {
                const int lastWeekday = (first + length - 1) % 7;
                return length - (lastWeekday - memo.weekday + 7) % 7;
            }
            const int day = 1 + (memo.weekday - first + 7) % 7 + (memo.weekOfMonth - 1) * 7;
            return day <= length ? day : 0;
        }
        case MonthPlace::SameDay:
        default:
            return memo.first.day <= length ? memo.first.day : 0;
    }
}

// Whether every month of the rule has its day (then the dates before `from`
// can be counted without walking them).
bool EveryMonthHasOne(const RepeatMemo& memo) {
    if (memo.unit == RepeatUnit::Years) return true;
    switch (memo.monthPlace) {
        case MonthPlace::LastDay:
            return true;
        case MonthPlace::Weekday:
            return memo.weekOfMonth <= 4;
        case MonthPlace::SameDay:
        default:
            return memo.first.day <= 28;
    }
}

void EveryNMonths(Walk& w, const RepeatMemo& memo, const Date& to, std::int64_t step) {
    const std::int64_t firstDay = DayNumber(memo.first);
    const std::int64_t firstMonth = static_cast<std::int64_t>(memo.first.year) * 12 + memo.first.month - 1;
    const Date from = DateOfDayNumber(w.FromDay());
    const std::int64_t fromMonth = static_cast<std::int64_t>(from.year) * 12 + from.month - 1;
    const std::int64_t toMonth = static_cast<std::int64_t>(to.year) * 12 + to.month - 1;
    const auto dayOfPeriod = [&](std::int64_t month) -> std::int64_t {
        const int y = static_cast<int>(FloorDiv(month, 12));
        const int m = static_cast<int>(month - FloorDiv(month, 12) * 12) + 1;
        const int d = DayInMonth(memo, y, m);
        return d == 0 ? -1 : DayNumber(y, m, d);
    };
    std::int64_t k = 0;
    if (memo.count == 0 || EveryMonthHasOne(memo)) {
        k = PeriodAt(fromMonth, firstMonth, step);
        // The first month's date may lie before the first date: not counted.
        if (k > 0) w.SetCounted(k - (dayOfPeriod(firstMonth) < firstDay ? 1 : 0));
    }
    for (;; ++k) {
        const std::int64_t month = firstMonth + k * step;
        if (month > toMonth) return;
        const std::int64_t day = dayOfPeriod(month);
        if (day < firstDay) continue;
        if (!w.Take(day)) return;
    }
}

bool Digits(const std::string& s) {
    return !s.empty() && s.size() <= 40 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

const char* const kWeekdayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
const char* const kUnitNames[] = {"daily", "weekly", "monthly", "yearly"};

std::string DateValue(const Date& d) { return DateText(d.year, d.month, d.day); }

}  // namespace

unsigned RepeatWeekDays(const RepeatMemo& memo) {
    const unsigned days = memo.weekDays & 0x7Fu;
    return days != 0 ? days : 1u << Weekday(memo.first);
}

std::vector<Date> RepeatDates(const RepeatMemo& memo, const Date& from, const Date& to,
                              std::size_t limit) {
    const std::int64_t firstDay = DayNumber(memo.first);
    const std::int64_t fromDay = std::max(DayNumber(from), firstDay);
    if (limit == 0 || !IsRealDate(memo.first) || fromDay > DayNumber(to)) return {};
    Walk w(memo, fromDay, DayNumber(to), limit);
    if (w.ToDay() < fromDay) return {};
    const std::int64_t interval = Clamp(memo.interval, 1, kMaxRepeatInterval);
    switch (memo.unit) {
        case RepeatUnit::Days:
            EveryNDays(w, firstDay, interval);
            break;
        case RepeatUnit::Weeks:
            EveryNWeeks(w, memo, firstDay);
            break;
        case RepeatUnit::Months:
            EveryNMonths(w, memo, to, interval);
            break;
        case RepeatUnit::Years:
            EveryNMonths(w, memo, to, 12 * interval);
            break;
    }
    return std::move(w.Found());
}

bool RepeatsOn(const RepeatMemo& memo, const Date& date) {
    return !RepeatDates(memo, date, date, 1).empty();
}

std::optional<Date> ParseDateText(const std::string& text) {
    const std::size_t a = text.find('-');
    const std::size_t b = a == std::string::npos ? a : text.find('-', a + 1);
    if (b == std::string::npos) return std::nullopt;
    const std::string y = text.substr(0, a), m = text.substr(a + 1, b - a - 1), d = text.substr(b + 1);
    if (!Digits(y) || !Digits(m) || !Digits(d)) return std::nullopt;
    const Date date{ParseLeadingInt(y.c_str()), ParseLeadingInt(m.c_str()), ParseLeadingInt(d.c_str())};
    if (date.year < 1 || date.year > 9999 || !IsRealDate(date)) return std::nullopt;
    return date;
}

std::string AheadFileText(int minutes) { return std::to_string(minutes); }

int AheadOfFileText(const std::string& text) {
    const int minutes = ParseLeadingInt(text.c_str(), text.size());
    return std::clamp(minutes, 0, kMaxRemindAheadMinutes);
}

std::string RepeatFileText(const RepeatMemo& memo) {
    std::string out = "first=" + DateValue(memo.first) + "\r\n";
    out += std::string("repeat=") + kUnitNames[static_cast<int>(memo.unit)] + "\r\n";
    out += "every=" + std::to_string(memo.interval) + "\r\n";
    if (memo.unit == RepeatUnit::Weeks && (memo.weekDays & 0x7Fu) != 0) {
        std::string days;
        for (int j = 0; j < 7; ++j)
            if (memo.weekDays & (1u << j)) days += std::string(days.empty() ? "" : ",") + kWeekdayCodes[j];
        out += "weekdays=" + days + "\r\n";
    }
    if (memo.unit == RepeatUnit::Months) {
        std::string on = "same";
        if (memo.monthPlace == MonthPlace::LastDay) on = "last";
        if (memo.monthPlace == MonthPlace::Weekday)
            on = std::to_string(memo.weekOfMonth) + kWeekdayCodes[Clamp(memo.weekday, 0, 6)];
        out += "on=" + on + "\r\n";
    }
    if (memo.hasTime)
        out += "time=" + std::to_string(memo.hour) + ":" + (memo.minute < 10 ? "0" : "") +
               std::to_string(memo.minute) + "\r\n";
    if (memo.aheadMinutes > 0) out += "ahead=" + std::to_string(memo.aheadMinutes) + "\r\n";
    if (memo.last) out += "last=" + DateValue(*memo.last) + "\r\n";
    if (memo.count > 0) out += "count=" + std::to_string(memo.count) + "\r\n";
    for (const Date& d : memo.skipped) out += "skip=" + DateValue(d) + "\r\n";
    return out + "\r\n" + memo.text;
}

std::optional<RepeatMemo> ReadRepeatFile(const std::string& whole) {
    const std::string text = whole.substr(0, std::min(whole.size(), kRepeatReadLimit));
    RepeatMemo memo;
    bool haveFirst = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const bool lastLine = end == std::string::npos;
        if (lastLine) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = lastLine ? end : end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            memo.text = text.substr(pos, kMemoContentLimit);
            break;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        const int number = Digits(value) ? ParseLeadingInt(value.c_str()) : -1;
        if (key == "first") {
            if (const std::optional<Date> d = ParseDateText(value)) {
                memo.first = *d;
                haveFirst = true;
            }
        } else if (key == "repeat") {
            for (int u = 0; u < 4; ++u)
                if (value == kUnitNames[u]) memo.unit = static_cast<RepeatUnit>(u);
        } else if (key == "every") {
            if (number >= 1) memo.interval = Clamp(number, 1, kMaxRepeatInterval);
        } else if (key == "weekdays") {
            memo.weekDays = 0;
            for (std::size_t p = 0; p < value.size(); p += 3) {
                const int day = WeekdayOfCode(value.substr(p, 2));
                if (day >= 0) memo.weekDays |= 1u << day;
            }
        } else if (key == "on") {
            if (value == "last") {
                memo.monthPlace = MonthPlace::LastDay;
            } else if (value.size() >= 3) {
                const int day = WeekdayOfCode(value.substr(value.size() - 2));
                const std::string n = value.substr(0, value.size() - 2);
                const int week = n == "-1" ? -1 : Digits(n) ? ParseLeadingInt(n.c_str()) : 0;
                if (day >= 0 && (week == -1 || (week >= 1 && week <= 5))) {
                    memo.monthPlace = MonthPlace::Weekday;
                    memo.weekday = day;
                    memo.weekOfMonth = week;
                }
            }
        } else if (key == "time") {
            const std::size_t colon = value.find(':');
            if (colon != std::string::npos && Digits(value.substr(0, colon)) &&
                Digits(value.substr(colon + 1))) {
                const int h = ParseLeadingInt(value.c_str()), m = ParseLeadingInt(value.c_str() + colon + 1);
                if (h <= 23 && m <= 59) {
                    memo.hasTime = true;
                    memo.hour = h;
                    memo.minute = m;
                }
            }
        } else if (key == "ahead") {
            if (number >= 0) memo.aheadMinutes = Clamp(number, 0, kMaxRemindAheadMinutes);
        } else if (key == "last") {
            memo.last = ParseDateText(value);
        } else if (key == "count") {
            if (number >= 1) memo.count = Clamp(number, 1, kMaxRepeatCount);
        } else if (key == "skip") {
            const std::optional<Date> d = ParseDateText(value);
            if (d && memo.skipped.size() < kMaxSkippedDates) memo.skipped.push_back(*d);
        }
    }
    if (!haveFirst || memo.text.empty()) return std::nullopt;
    return memo;
}

std::optional<std::string> DayTextWithRepeats(const std::optional<std::string>& own,
                                              const Date& date,
                                              const std::vector<const RepeatMemo*>& repeats) {
    return JoinDayText(own, RepeatRecords(date, repeats));
}

std::string RepeatRecords(const Date& date, const std::vector<const RepeatMemo*>& repeats) {
    std::string text;
    const std::string head = DateText(date.year, date.month, date.day);
    for (std::size_t i = 0; i < repeats.size() && text.size() < kMaxDayText; ++i) {
        if (i > 0) text += "\r\n";
        text += MemoRecord(head, repeats[i]->text);
    }
    if (text.size() > kMaxDayText) text.resize(kMaxDayText);
    return text;
}

std::optional<std::string> JoinDayText(const std::optional<std::string>& own, const std::string& records) {
    if (records.empty()) return own;
    if (!own) return records;
    // Cut as the whole text would be: records held to kMaxDayText are enough.
    std::string text;
    text.reserve(std::min(own->size() + 2 + records.size(), kMaxDayText));
    text.append(*own, 0, kMaxDayText);
    text.append("\r\n", 0, kMaxDayText - text.size());
    text.append(records, 0, kMaxDayText - text.size());
    return text;
}

unsigned RepeatFileNumber(const std::string& name) {
    const std::string stem = kRepeatFileStem;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto sameText = [&](std::size_t at, const std::string& text) {
        for (std::size_t i = 0; i < text.size(); ++i)
            if (lower(name[at + i]) != lower(text[i])) return false;
        return true;
    };
    if (name.size() <= stem.size() + 4 || name.size() > stem.size() + 4 + 9 || !sameText(0, stem) ||
        !sameText(name.size() - 4, ".txt"))
        return 0;
    unsigned n = 0;
    for (std::size_t i = stem.size(); i < name.size() - 4; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return n;
}
