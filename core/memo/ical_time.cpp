#include "core/memo/ical_time.h"

#include "core/calendar/month_length.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool Digits(const std::string& text, std::size_t pos, std::size_t count, int& value) {
    if (pos + count > text.size()) return false;
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

void AppendNumber(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (digits.size() < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

}  // namespace

int Weekday(const Date& date) {
    return static_cast<int>(((DayNumber(date) + 4) % 7 + 7) % 7);  // 1970-01-01: Thursday
}

std::int64_t SecondsOf(const LocalDateTime& t) {
    return DayNumber(t.date) * kSecondsPerDay + t.time.hour * 3600 + t.time.minute * 60 +
           t.time.second;
}

LocalDateTime DateTimeOfSeconds(std::int64_t seconds) {
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const int rest = static_cast<int>(seconds - days * kSecondsPerDay);
    LocalDateTime t;
    t.date = DateOfDayNumber(days);
    t.time = TimeOfDay{rest / 3600, rest / 60 % 60, rest % 60};
    return t;
}

bool ParseIcalTime(const std::string& text, IcalTime& out) {
    IcalTime t;
    if (text.size() != 8 && text.size() != 15 && text.size() != 16) return false;
    if (!Digits(text, 0, 4, t.value.date.year) || !Digits(text, 4, 2, t.value.date.month) ||
        !Digits(text, 6, 2, t.value.date.day) || !IsRealDate(t.value.date))
        return false;
    if (text.size() == 8) {
        t.dateOnly = true;
    } else {
        if (text[8] != 'T' && text[8] != 't') return false;
        if (!Digits(text, 9, 2, t.value.time.hour) || !Digits(text, 11, 2, t.value.time.minute) ||
            !Digits(text, 13, 2, t.value.time.second))
            return false;
        if (t.value.time.hour > 23 || t.value.time.minute > 59 || t.value.time.second > 60)
            return false;
        if (text.size() == 16) {
            if (text[15] != 'Z' && text[15] != 'z') return false;
            t.utc = true;
        }
    }
    out = t;
    return true;
}

bool ParseUtcOffset(const std::string& text, int& seconds) {
    if ((text.size() != 5 && text.size() != 7) || (text[0] != '+' && text[0] != '-')) return false;
    int h = 0, m = 0, s = 0;
    if (!Digits(text, 1, 2, h) || !Digits(text, 3, 2, m) ||
        (text.size() == 7 && !Digits(text, 5, 2, s)))
        return false;
    if (h > 23 || m > 59 || s > 59) return false;
    seconds = (text[0] == '-' ? -1 : 1) * (h * 3600 + m * 60 + s);
    return true;
}

std::string IcalDate(const Date& date) {
    std::string out;
    AppendNumber(out, date.year, 4);
    AppendNumber(out, date.month, 2);
    AppendNumber(out, date.day, 2);
    return out;
}

std::string IcalDateTime(const LocalDateTime& t, bool utc) {
    std::string out = IcalDate(t.date) + "T";
    AppendNumber(out, t.time.hour, 2);
    AppendNumber(out, t.time.minute, 2);
    AppendNumber(out, t.time.second, 2);
    if (utc) out += 'Z';
    return out;
}
