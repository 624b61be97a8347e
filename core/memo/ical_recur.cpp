#include "core/memo/ical_recur.h"

#include <map>

#include "core/calendar/month_length.h"

#include "core/memo/ical_text.h"

namespace {

// Larger values cannot give a second occurrence within the years a DATE holds.
constexpr std::int64_t kNumberCap = 1000000000;

bool PositiveNumber(const std::string& text, std::int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > kNumberCap) value = kNumberCap;
    return value > 0;
}

// Hands occurrences over in date order and says when no later one is wanted.
class Collector {
public:
    Collector(const RecurrenceRule& rule, const LocalDateTime& start,
              const std::optional<LocalDateTime>& until, const Date& from, const Date& to)
        : rule_(rule),
          start_(start),
          until_(until),
          fromDay_(DayNumber(from)),
          toDay_(DayNumber(to)) {}

    bool Take(std::int64_t day) {
        if (day > toDay_) return false;
        if (rule_.count > 0 && counted_ >= rule_.count) return false;
        LocalDateTime occurrence{DateOfDayNumber(day), start_.time};
        if (until_ && Before(*until_, occurrence)) return false;
        ++counted_;
        if (day >= fromDay_) found_.push_back(occurrence);
        return true;
    }
    void SetCounted(std::int64_t n) { counted_ = n; }
    std::int64_t FromDay() const { return fromDay_; }
    std::vector<LocalDateTime>& Found() { return found_; }

private:
    const RecurrenceRule& rule_;
    LocalDateTime start_;
    std::optional<LocalDateTime> until_;
    std::int64_t fromDay_, toDay_;
    std::int64_t counted_ = 0;
    std::vector<LocalDateTime> found_;
};

// The first period worth looking at: one before the period that holds `from`.
std::int64_t FirstPeriod(std::int64_t fromUnit, std::int64_t startUnit, std::int64_t step) {
    if (fromUnit <= startUnit) return 0;
    const std::int64_t k = (fromUnit - startUnit) / step - 1;
    return k > 0 ? k : 0;
}

// One occurrence every `step` days.
void EveryNDays(Collector& c, std::int64_t startDay, std::int64_t step) {
    std::int64_t k = FirstPeriod(c.FromDay(), startDay, step);
    c.SetCounted(k);  // each period before had its one occurrence
    while (c.Take(startDay + k * step)) ++k;
}

void WeeklyByDay(Collector& c, const RecurrenceRule& rule, const Date& start) {
    const std::int64_t startDay = DayNumber(start);
    const int weekday = Weekday(start);
    const bool extra = (rule.weekDays & (1u << weekday)) == 0;
    if (extra && !c.Take(startDay)) return;
    const std::int64_t weekBase = startDay - (weekday - rule.weekStart + 7) % 7;
    int firstWeek = 0, perWeek = 0;
    for (int j = 0; j < 7; ++j) {
        if ((rule.weekDays & (1u << ((rule.weekStart + j) % 7))) == 0) continue;
        ++perWeek;
        if (weekBase + j >= startDay) ++firstWeek;
    }
    const std::int64_t step = 7 * rule.interval;
    std::int64_t k = FirstPeriod(c.FromDay(), weekBase, step);
    if (k > 0) c.SetCounted((extra ? 1 : 0) + firstWeek + (k - 1) * perWeek);
    for (;; ++k) {
        const std::int64_t base = weekBase + k * step;
        for (int j = 0; j < 7; ++j) {
            const std::int64_t day = base + j;
            if (day < startDay || (rule.weekDays & (1u << ((rule.weekStart + j) % 7))) == 0)
                continue;
            if (!c.Take(day)) return;
        }
    }
}

// Monthly and yearly: the start's day in every `step`-th month. Months
// without that day give nothing, so with COUNT every period is walked from
// the start; without it (or when every month has the day) the walk begins
// near `from`.
void EveryNMonths(Collector& c, const RecurrenceRule& rule, const Date& start, const Date& from,
                  const Date& to, std::int64_t step) {
    const std::int64_t startMonth = static_cast<std::int64_t>(start.year) * 12 + start.month - 1;
    const std::int64_t fromMonth = static_cast<std::int64_t>(from.year) * 12 + from.month - 1;
    const std::int64_t toMonth = static_cast<std::int64_t>(to.year) * 12 + to.month - 1;
    std::int64_t k = 0;
    if (rule.count == 0 || start.day <= 28) {
        k = FirstPeriod(fromMonth, startMonth, step);
        c.SetCounted(k);
    }
    for (;; ++k) {
        const std::int64_t month = startMonth + k * step;
        if (month > toMonth) return;
        const int y = static_cast<int>(month / 12), m = static_cast<int>(month % 12) + 1;
        if (start.day > DaysInMonth(y, m)) continue;
        if (!c.Take(DayNumber(Date{y, m, start.day}))) return;
    }
}

}  // namespace

bool RuleParts(const std::string& value, std::map<std::string, std::string>& parts) {
    std::size_t pos = 0;
    while (pos <= value.size()) {
        std::size_t end = value.find(';', pos);
        if (end == std::string::npos) end = value.size();
        const std::string part = value.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) continue;
        const std::size_t eq = part.find('=');
        if (eq == std::string::npos) return false;
        if (!parts.emplace(UpperAscii(part.substr(0, eq)), UpperAscii(part.substr(eq + 1))).second)
            return false;
    }
    return true;
}

int WeekdayOfCode(const std::string& code) {
    static const char* const kCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    for (int i = 0; i < 7; ++i)
        if (code == kCodes[i]) return i;
    return -1;
}

std::optional<RecurrenceRule> ParseRecurrenceRule(const std::string& value, const Date& start) {
    RecurrenceRule rule;
    bool haveFrequency = false;
    std::string byDay, byMonth, byMonthDay;
    std::map<std::string, std::string> parts;
    if (!RuleParts(value, parts)) return std::nullopt;
    for (const auto& [name, text] : parts) {
        if (name == "FREQ") {
            haveFrequency = true;
            if (text == "DAILY")
                rule.frequency = Frequency::Daily;
            else if (text == "WEEKLY")
                rule.frequency = Frequency::Weekly;
            else if (text == "MONTHLY")
                rule.frequency = Frequency::Monthly;
            else if (text == "YEARLY")
                rule.frequency = Frequency::Yearly;
            else
                return std::nullopt;
        } else if (name == "INTERVAL") {
            if (!PositiveNumber(text, rule.interval)) return std::nullopt;
        } else if (name == "COUNT") {
            if (!PositiveNumber(text, rule.count)) return std::nullopt;
        } else if (name == "UNTIL") {
            IcalTime until;
            if (!ParseIcalTime(text, until)) return std::nullopt;
            rule.until = until;
        } else if (name == "WKST") {
            rule.weekStart = WeekdayOfCode(text);
            if (rule.weekStart < 0) return std::nullopt;
        } else if (name == "BYDAY") {
            byDay = text;
        } else if (name == "BYMONTH") {
            byMonth = text;
        } else if (name == "BYMONTHDAY") {
            byMonthDay = text;
        } else {
            return std::nullopt;
        }
    }
    if (!haveFrequency) return std::nullopt;
    if (!byDay.empty()) {
        if (rule.frequency != Frequency::Weekly) return std::nullopt;
        for (std::size_t p = 0; p <= byDay.size();) {
            std::size_t end = byDay.find(',', p);
            if (end == std::string::npos) end = byDay.size();
            const int day = WeekdayOfCode(byDay.substr(p, end - p));
            if (day < 0) return std::nullopt;  // numbered weekdays too
            rule.weekDays |= 1u << day;
            p = end + 1;
        }
    }
    std::int64_t number = 0;
    if (!byMonth.empty() && (rule.frequency != Frequency::Yearly ||
                             !PositiveNumber(byMonth, number) || number != start.month))
        return std::nullopt;
    if (!byMonthDay.empty() &&
        ((rule.frequency != Frequency::Yearly && rule.frequency != Frequency::Monthly) ||
         !PositiveNumber(byMonthDay.substr(byMonthDay[0] == '+' ? 1 : 0), number) ||
         number != start.day))
        return std::nullopt;
    return rule;
}

std::vector<LocalDateTime> ExpandRecurrence(const RecurrenceRule& rule, const LocalDateTime& start,
                                            const std::optional<LocalDateTime>& until,
                                            const Date& from, const Date& to) {
    Collector c(rule, start, until, from, to);
    const std::int64_t startDay = DayNumber(start.date);
    switch (rule.frequency) {
        case Frequency::Daily:
            EveryNDays(c, startDay, rule.interval);
            break;
        case Frequency::Weekly:
            if (rule.weekDays == 0)
                EveryNDays(c, startDay, 7 * rule.interval);
            else
                WeeklyByDay(c, rule, start.date);
            break;
        case Frequency::Monthly:
            EveryNMonths(c, rule, start.date, from, to, rule.interval);
            break;
        case Frequency::Yearly:
            EveryNMonths(c, rule, start.date, from, to, 12 * rule.interval);
            break;
    }
    return std::move(c.Found());
}

bool PositiveRuleNumber(const std::string& text, std::int64_t& value) { return PositiveNumber(text, value); }
