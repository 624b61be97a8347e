#include "core/memo/ical_zone.h"

#include "core/calendar/month_length.h"
#include "core/memo/ical_recur.h"

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find(',', pos);
        if (end == std::string::npos) end = text.size();
        items.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return items;
}

// A signed number of at most two digits ("-1", "+2", "15").
bool SmallNumber(const std::string& text, int& value) {
    std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    if (i >= text.size() || text.size() - i > 2) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    if (text[0] == '-') value = -value;
    return true;
}

LocalDateTime Shift(const LocalDateTime& t, std::int64_t seconds) {
    return DateTimeOfSeconds(SecondsOf(t) + seconds);
}

}  // namespace

std::optional<TimeZoneRules> TimeZoneRules::FromComponent(const IcalComponent& vtimezone) {
    TimeZoneRules zone;
    for (const IcalComponent& part : vtimezone.children) {
        if (part.name != "STANDARD" && part.name != "DAYLIGHT") continue;
        Observance o;
        const IcalProperty* start = part.Find("DTSTART");
        const IcalProperty* from = part.Find("TZOFFSETFROM");
        const IcalProperty* to = part.Find("TZOFFSETTO");
        IcalTime startTime;
        if (start == nullptr || to == nullptr || !ParseIcalTime(start->value, startTime) ||
            !ParseUtcOffset(to->value, o.offsetTo))
            return std::nullopt;
        o.start = startTime.value;
        if (from == nullptr || !ParseUtcOffset(from->value, o.offsetFrom))
            o.offsetFrom = o.offsetTo;
        for (const IcalProperty& p : part.properties) {
            if (p.name != "RDATE") continue;
            for (const std::string& item : SplitList(p.value)) {
                IcalTime onset;
                if (ParseIcalTime(item.substr(0, item.find('/')), onset))
                    o.extra.push_back(onset.value);
            }
        }
        if (const IcalProperty* rrule = part.Find("RRULE")) {
            o.yearly = true;
            o.month = o.start.date.month;
            std::size_t pos = 0;
            const std::string value = UpperAscii(rrule->value);
            bool isYearly = false;
            while (pos <= value.size()) {
                std::size_t end = value.find(';', pos);
                if (end == std::string::npos) end = value.size();
                const std::string ruleText = value.substr(pos, end - pos);
                pos = end + 1;
                if (ruleText.empty()) continue;
                const std::size_t eq = ruleText.find('=');
                if (eq == std::string::npos) return std::nullopt;
                const std::string name = ruleText.substr(0, eq), text = ruleText.substr(eq + 1);
                if (name == "FREQ") {
                    isYearly = text == "YEARLY";
                } else if (name == "INTERVAL") {
                    if (text != "1") return std::nullopt;
                } else if (name == "BYMONTH") {
                    int month = 0;
                    if (!SmallNumber(text, month) || month < 1 || month > 12) return std::nullopt;
                    o.month = month;
                } else if (name == "BYDAY") {
                    const std::size_t letters = text.size() < 2 ? 0 : text.size() - 2;
                    o.weekday = WeekdayOfCode(text.substr(letters));
                    if (o.weekday < 0) return std::nullopt;
                    if (letters > 0 && (!SmallNumber(text.substr(0, letters), o.ordinal) ||
                                        o.ordinal == 0 || o.ordinal > 5 || o.ordinal < -5))
                        return std::nullopt;
                } else if (name == "BYMONTHDAY") {
                    for (const std::string& day : SplitList(text)) {
                        int d = 0;
                        if (!SmallNumber(day, d) || d == 0 || d > 31 || d < -31)
                            return std::nullopt;
                        o.monthDays.push_back(d);
                    }
                } else if (name == "UNTIL") {
                    IcalTime until;
                    if (!ParseIcalTime(text, until)) return std::nullopt;
                    o.until = until;
                } else if (name == "COUNT") {
                    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
                        return std::nullopt;
                    // Four digits are more years than a DATE holds.
                    o.count = text.size() > 4 ? 10000 : std::stoi(text);
                    if (o.count == 0) return std::nullopt;
                } else if (name != "WKST") {
                    return std::nullopt;
                }
            }
            if (!isYearly) return std::nullopt;
        }
        zone.observances_.push_back(std::move(o));
    }
    if (zone.observances_.empty()) return std::nullopt;
    return zone;
}

TimeZoneRules TimeZoneRules::Fixed(int offsetSeconds) {
    TimeZoneRules zone;
    Observance o;
    o.start.date = Date{1, 1, 1};
    o.offsetFrom = o.offsetTo = offsetSeconds;
    zone.observances_.push_back(o);
    return zone;
}

std::optional<Date> TimeZoneRules::YearlyDate(const Observance& o, int year) const {
    const int length = DaysInMonth(year, o.month);
    auto isMonthDay = [&](int day) {
        if (o.monthDays.empty()) return true;
        for (int d : o.monthDays)
            if (d == day || length + d + 1 == day) return true;
        return false;
    };
    if (o.weekday < 0) {
        const int day = o.monthDays.empty()
                            ? o.start.date.day
                            : (o.monthDays[0] > 0 ? o.monthDays[0] : length + o.monthDays[0] + 1);
        if (day < 1 || day > length) return std::nullopt;
        return Date{year, o.month, day};
    }
    std::vector<int> matching;  // the month's days on that weekday
    const int firstWeekday = Weekday(Date{year, o.month, 1});
    for (int day = 1 + (o.weekday - firstWeekday + 7) % 7; day <= length; day += 7)
        matching.push_back(day);
    if (o.ordinal != 0) {
        const int n = static_cast<int>(matching.size());
        const int index = o.ordinal > 0 ? o.ordinal - 1 : n + o.ordinal;
        if (index < 0 || index >= n || !isMonthDay(matching[index])) return std::nullopt;
        return Date{year, o.month, matching[index]};
    }
    for (int day : matching)
        if (isMonthDay(day)) return Date{year, o.month, day};
    return std::nullopt;
}

std::vector<TimeZoneRules::Onset> TimeZoneRules::OnsetsAround(int year) const {
    std::vector<Onset> onsets;
    for (const Observance& o : observances_) {
        onsets.push_back(Onset{o.start, &o});
        for (const LocalDateTime& t : o.extra) onsets.push_back(Onset{t, &o});
        if (!o.yearly) continue;
        for (int y = year - 1; y <= year + 1; ++y) {
            const std::optional<Date> date = YearlyDate(o, y);
            if (!date) continue;
            const LocalDateTime wall{*date, o.start.time};
            if (Before(wall, o.start)) continue;
            if (o.count > 0 && y - o.start.date.year >= o.count) continue;
            if (o.until) {
                const LocalDateTime limit =
                    o.until->dateOnly ? LocalDateTime{o.until->value.date, TimeOfDay{23, 59, 59}}
                                      : o.until->value;
                const LocalDateTime compared = o.until->utc ? Shift(wall, -o.offsetFrom) : wall;
                if (Before(limit, compared)) continue;
            }
            onsets.push_back(Onset{wall, &o});
        }
    }
    return onsets;
}

int TimeZoneRules::OffsetBeforeAll() const {
    const Observance* earliest = &observances_.front();
    for (const Observance& o : observances_)
        if (Before(o.start, earliest->start)) earliest = &o;
    return earliest->offsetFrom;
}

LocalDateTime TimeZoneRules::ToUtc(const LocalDateTime& wall) const {
    // The observance that began last at or before this local time.
    const Onset* latest = nullptr;
    const std::vector<Onset> onsets = OnsetsAround(wall.date.year);
    for (const Onset& onset : onsets)
        if (!Before(wall, onset.wall) && (latest == nullptr || Before(latest->wall, onset.wall)))
            latest = &onset;
    const int offset = latest != nullptr ? latest->observance->offsetTo : OffsetBeforeAll();
    return Shift(wall, -offset);
}

LocalDateTime TimeZoneRules::FromUtc(const LocalDateTime& utc) const {
    const std::int64_t at = SecondsOf(utc);
    const Onset* latest = nullptr;
    std::int64_t latestAt = 0;
    const std::vector<Onset> onsets = OnsetsAround(utc.date.year);
    for (const Onset& onset : onsets) {
        const std::int64_t onsetAt = SecondsOf(onset.wall) - onset.observance->offsetFrom;
        if (onsetAt <= at && (latest == nullptr || latestAt < onsetAt)) {
            latest = &onset;
            latestAt = onsetAt;
        }
    }
    const int offset = latest != nullptr ? latest->observance->offsetTo : OffsetBeforeAll();
    return Shift(utc, offset);
}
