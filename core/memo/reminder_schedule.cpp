#include "core/memo/reminder_schedule.h"

#include <algorithm>
#include <climits>
#include <map>

#include "core/calendar/day_number.h"

namespace {

constexpr WallMinute kFirstMinute = DayNumber(INT_MIN, 1, 1) * kMinutesPerDay;
constexpr WallMinute kLastMinute = DayNumber(INT_MAX, 12, 31) * kMinutesPerDay + kMinutesPerDay - 1;

WallMinute Clamp(WallMinute m) { return std::min(std::max(m, kFirstMinute), kLastMinute); }

bool IsValidKey(const ReminderKey& k) {
    return IsRealDate(k.date) && k.hour >= 0 && k.hour <= 23 && k.minute >= 0 &&
           k.minute <= 59;
}

// Each date's memo, notice and repeating memos are read once per pass: the
// date's own reminder first, then those of other times.
class DayCache {
public:
    DayCache(const DayTextReader& memo, const DayTextReader& notice,
             const RepeatReminderReader& repeats)
        : memo_(memo), notice_(notice), repeats_(repeats) {}
    const std::vector<DayReminder>& Get(const Date& date) {
        const auto found = days_.find(DayNumber(date));
        if (found != days_.end()) return found->second;
        std::vector<DayReminder>& day = days_[DayNumber(date)];
        if (std::optional<DayReminder> own = ReadDayReminder(date, memo_, notice_))
            day.push_back(std::move(*own));
        if (repeats_)
            for (DayReminder& more : repeats_(date)) {
                const auto same = std::find_if(day.begin(), day.end(), [&](const DayReminder& r) {
                    return r.hour == more.hour && r.minute == more.minute;
                });
                if (same == day.end())
                    day.push_back(std::move(more));
                else
                    same->memoText += "\r\n" + more.memoText;
            }
        return day;
    }
    const DayReminder* Find(const ReminderKey& key) {
        for (const DayReminder& r : Get(key.date))
            if (r.hour == key.hour && r.minute == key.minute) return &r;
        return nullptr;
    }

private:
    const DayTextReader& memo_;
    const DayTextReader& notice_;
    const RepeatReminderReader& repeats_;
    std::map<std::int64_t, std::vector<DayReminder>> days_;
};

bool HasKey(const std::vector<ReminderRecord>& records, const ReminderKey& key) {
    return std::any_of(records.begin(), records.end(),
                       [&](const ReminderRecord& r) { return r.key == key; });
}

// Valid keys only, one record per key (the first), ordered by due time, at
// most kMaxReminderRecords of the latest.
void Tidy(std::vector<ReminderRecord>& records) {
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [](const ReminderRecord& r) { return !IsValidKey(r.key); }),
                  records.end());
    std::stable_sort(records.begin(), records.end(),
                     [](const ReminderRecord& a, const ReminderRecord& b) {
                         return DueMinuteOf(a.key) < DueMinuteOf(b.key);
                     });
    // A valid key and its due minute determine each other.
    records.erase(std::unique(records.begin(), records.end(),
                              [](const ReminderRecord& a, const ReminderRecord& b) {
                                  return a.key == b.key;
                              }),
                  records.end());
    if (records.size() > kMaxReminderRecords)
        records.erase(records.begin(),
                      records.begin() + static_cast<std::ptrdiff_t>(records.size() -
                                                                    kMaxReminderRecords));
}

void CountMissed(ReminderPass& pass, const Date& date) {
    if (pass.olderMissed == 0 || DayNumber(date) < DayNumber(pass.firstMissed))
        pass.firstMissed = date;
    if (pass.olderMissed < INT_MAX) ++pass.olderMissed;
}

DueReminder Shown(const ReminderKey& key, WallMinute now, ShowReason reason, std::string text) {
    const WallMinute due = DueMinuteOf(key);
    return DueReminder{key, due, now > due ? now - due : 0, reason, std::move(text)};
}

// The reminders that fell due in (from, now] and have no record.
void FindDue(ReminderPass& pass, const std::vector<ReminderRecord>& known, WallMinute from,
             WallMinute now, bool catchUp, DayCache& days) {
    const WallMinute start = std::max({from, now - kLookBack, kFirstMinute - 1});
    for (std::int64_t day = FloorDiv(start + 1, kMinutesPerDay);
         day <= FloorDiv(now, kMinutesPerDay); ++day) {
        const Date date = DateOfDayNumber(day);
        for (const DayReminder& found : days.Get(date)) {
            const ReminderKey key{date, found.hour, found.minute};
            const WallMinute due = DueMinuteOf(key);
            if (due <= start || due > now || HasKey(known, key)) continue;
            const WallMinute late = now - due;
            if (catchUp ? late < kCatchUpWindow : late <= kOnTimeSlack) {
                pass.toShow.push_back(Shown(key, now, ShowReason::Due, found.memoText));
                pass.state.records.push_back(ReminderRecord{key, ReminderStatus::Pending, 0});
            } else if (catchUp) {
                CountMissed(pass, date);
            }
        }
    }
}

// ------------------------------------------------------------ reading text

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::vector<std::string> Words(const std::string& item) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < item.size()) {
        while (i < item.size() && IsBlank(item[i])) ++i;
        const std::size_t begin = i;
        while (i < item.size() && !IsBlank(item[i])) ++i;
        if (i > begin) words.push_back(item.substr(begin, i - begin));
    }
    return words;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Reads digits (at least one) from s[i], saturating; a leading "-" when
// `sign` is set.
bool ReadNumber(const std::string& s, std::size_t& i, bool sign, int& out) {
    const bool negative = sign && i < s.size() && s[i] == '-';
    if (negative) ++i;
    const std::size_t begin = i;
    std::int64_t value = 0;
    const std::int64_t limit = static_cast<std::int64_t>(INT_MAX) + 1;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = std::min(value * 10 + (s[i] - '0'), limit);
        ++i;
    }
    if (i == begin) return false;
    out = static_cast<int>(negative ? -value : std::min<std::int64_t>(value, INT_MAX));
    return true;
}

bool ReadChar(const std::string& s, std::size_t& i, char c) {
    if (i >= s.size() || s[i] != c) return false;
    ++i;
    return true;
}

// "2026-12-9" and "14:30" (two words) as a key.
std::optional<ReminderKey> ParseKey(const std::string& dateWord, const std::string& clockWord) {
    ReminderKey key;
    std::size_t i = 0;
    if (!ReadNumber(dateWord, i, true, key.date.year) || !ReadChar(dateWord, i, '-') ||
        !ReadNumber(dateWord, i, false, key.date.month) || !ReadChar(dateWord, i, '-') ||
        !ReadNumber(dateWord, i, false, key.date.day) || i != dateWord.size())
        return std::nullopt;
    std::size_t j = 0;
    if (!ReadNumber(clockWord, j, false, key.hour) || !ReadChar(clockWord, j, ':') ||
        !ReadNumber(clockWord, j, false, key.minute) || j != clockWord.size())
        return std::nullopt;
    if (!IsValidKey(key)) return std::nullopt;
    return key;
}

std::string KeyText(const ReminderKey& key) {
    return DateText(key.date.year, key.date.month, key.date.day) + ' ' +
           ClockText(key.hour, key.minute);
}

std::string MinuteText(WallMinute minute) {
    const LocalDateTime at = LocalDateTimeOf(minute);
    return KeyText(ReminderKey{at.date, at.time.hour, at.time.minute});
}

// The first line of the memo with a character that is not blank, trimmed.
std::string FirstLine(const std::string& memoText) {
    const std::string content = CutMemoHead(memoText);
    std::size_t i = 0;
    while (i < content.size()) {
        std::size_t end = content.find('\n', i);
        if (end == std::string::npos) end = content.size();
        std::size_t b = i, e = end;
        while (b < e && IsBlank(content[b])) ++b;
        while (e > b && IsBlank(content[e - 1])) --e;
        if (e > b) return content.substr(b, e - b);
        i = end + 1;
    }
    return std::string();
}

}  // namespace

// --------------------------------------------------------------- the clock

WallMinute WallMinuteOf(const Date& date, int hour, int minute) {
    return DayNumber(date) * kMinutesPerDay + static_cast<std::int64_t>(hour) * 60 + minute;
}

WallMinute WallMinuteOf(const LocalDateTime& at) {
    return WallMinuteOf(at.date, at.time.hour, at.time.minute);
}

LocalDateTime LocalDateTimeOf(WallMinute minute) {
    const WallMinute m = Clamp(minute);
    const std::int64_t day = FloorDiv(m, kMinutesPerDay);
    const int ofDay = static_cast<int>(m - day * kMinutesPerDay);
    return LocalDateTime{DateOfDayNumber(day), TimeOfDay{ofDay / 60, ofDay % 60, 0}};
}

WallMinute DueMinuteOf(const ReminderKey& key) {
    return WallMinuteOf(key.date, key.hour, key.minute);
}

// ---------------------------------------------------------------- the pass

std::optional<DayReminder> ReadDayReminder(const Date& date, const DayTextReader& readMemo,
                                           const DayTextReader& readNotice) {
    std::optional<std::string> memo = readMemo(date.year, date.month, date.day);
    if (!memo || memo->empty()) return std::nullopt;
    const std::optional<std::string> notice = readNotice(date.year, date.month, date.day);
    if (!notice) return std::nullopt;
    const std::optional<NoticeTime> time = ParseNoticeTime(*notice);
    if (!time || time->hour < 0 || time->hour > 23 || time->minute < 0 || time->minute > 59)
        return std::nullopt;
    return DayReminder{time->hour, time->minute, std::move(*memo)};
}

ReminderPass RunSchedule(const ReminderState& state, WallMinute now, bool catchUp,
                         const DayTextReader& readMemo, const DayTextReader& readNotice,
                         const RepeatReminderReader& readRepeats) {
    now = Clamp(now);
    ReminderPass pass;
    DayCache days(readMemo, readNotice, readRepeats);

    // What fell due since the last pass; a first pass ever looks at this
    // minute only, so a new install does not raise every old memo. The last
    // pass's own minute is looked at again: a memo saved for the current
    // minute just after a pass is still due (its key has no record yet, so
    // nothing already shown comes twice).
    const WallMinute from = state.lastPass ? Clamp(*state.lastPass) - 1 : now - 1;
    if (now > from) FindDue(pass, state.records, from, now, catchUp, days);

    // The kept records: expired ones go (a shown one never dismissed counts as
    // missed), pending ones and ended snoozes are shown again while their
    // memo still has that remind time.
    for (const ReminderRecord& record : state.records) {
        if (!IsValidKey(record.key)) continue;
        const WallMinute due = DueMinuteOf(record.key);
        if (due < now - kKeepPast) {
            if (catchUp && record.status != ReminderStatus::Dismissed)
                CountMissed(pass, record.key.date);
            continue;
        }
        if (due > now + kKeepFuture) continue;
        ReminderRecord kept = record;
        const bool snoozeEnded = record.status == ReminderStatus::Snoozed &&
                                 (record.snoozeUntil <= now ||
                                  record.snoozeUntil > now + kKeepFuture);
        if (record.status == ReminderStatus::Pending || snoozeEnded) {
            const DayReminder* found = days.Find(record.key);
            if (!found) continue;  // the memo was deleted or given another time
            kept.status = ReminderStatus::Pending;
            pass.toShow.push_back(Shown(record.key, now,
                                        snoozeEnded ? ShowReason::SnoozeReturn
                                                    : ShowReason::ShownAgain,
                                        found->memoText));
        }
        pass.state.records.push_back(kept);
    }
    Tidy(pass.state.records);
    std::stable_sort(pass.toShow.begin(), pass.toShow.end(),
                     [](const DueReminder& a, const DueReminder& b) { return a.due < b.due; });
    pass.toShow.erase(std::unique(pass.toShow.begin(), pass.toShow.end(),
                                  [](const DueReminder& a, const DueReminder& b) {
                                      return a.key == b.key;
                                  }),
                      pass.toShow.end());
    pass.state.lastPass = now;
    return pass;
}

namespace {
ReminderState Mark(ReminderState state, const std::vector<ReminderKey>& keys,
                   ReminderStatus status, WallMinute until) {
    for (const ReminderKey& key : keys) {
        if (!IsValidKey(key)) continue;
        auto found = std::find_if(state.records.begin(), state.records.end(),
                                  [&](const ReminderRecord& r) { return r.key == key; });
        if (found == state.records.end())
            state.records.push_back(ReminderRecord{key, status, until});
        else
            *found = ReminderRecord{key, status, until};
    }
    Tidy(state.records);
    return state;
}
}  // namespace

ReminderState Dismiss(ReminderState state, const std::vector<ReminderKey>& keys) {
    return Mark(std::move(state), keys, ReminderStatus::Dismissed, 0);
}

ReminderState Snooze(ReminderState state, const std::vector<ReminderKey>& keys,
                     WallMinute until) {
    return Mark(std::move(state), keys, ReminderStatus::Snoozed, Clamp(until));
}

// ------------------------------------------------------------ kept text

std::string ReminderStateText(const ReminderState& state) {
    std::vector<std::string> items;
    if (state.lastPass) items.push_back("pass " + MinuteText(*state.lastPass));
    std::size_t written = 0;
    for (const ReminderRecord& r : state.records) {
        if (!IsValidKey(r.key) || written == kMaxReminderRecords) continue;
        ++written;
        switch (r.status) {
            case ReminderStatus::Pending: items.push_back(KeyText(r.key) + " pending"); break;
            case ReminderStatus::Dismissed: items.push_back(KeyText(r.key) + " dismissed"); break;
            case ReminderStatus::Snoozed:
                items.push_back(KeyText(r.key) + " snoozed " + MinuteText(r.snoozeUntil));
                break;
        }
    }
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : "; ") + item;
    return text;
}

ReminderState ParseReminderState(const std::string& text) {
    ReminderState state;
    const std::size_t length = std::min(text.size(), kMaxReminderStateText);
    std::size_t begin = 0;
    while (begin < length && state.records.size() < kMaxReminderRecords) {
        std::size_t end = text.find(';', begin);
        if (end == std::string::npos || end > length) end = length;
        const std::vector<std::string> w = Words(text.substr(begin, end - begin));
        begin = end + 1;
        if (w.size() == 3 && Lower(w[0]) == "pass") {
            const std::optional<ReminderKey> at = ParseKey(w[1], w[2]);
            if (at && !state.lastPass) state.lastPass = DueMinuteOf(*at);
            continue;
        }
        if (w.size() < 3) continue;
        const std::optional<ReminderKey> key = ParseKey(w[0], w[1]);
        if (!key || HasKey(state.records, *key)) continue;
        const std::string word = Lower(w[2]);
        if (w.size() == 3 && word == "pending") {
            state.records.push_back(ReminderRecord{*key, ReminderStatus::Pending, 0});
        } else if (w.size() == 3 && word == "dismissed") {
            state.records.push_back(ReminderRecord{*key, ReminderStatus::Dismissed, 0});
        } else if (w.size() == 5 && word == "snoozed") {
            const std::optional<ReminderKey> until = ParseKey(w[3], w[4]);
            if (until)
                state.records.push_back(
                    ReminderRecord{*key, ReminderStatus::Snoozed, DueMinuteOf(*until)});
        }
    }
    return state;
}

// ------------------------------------------------------------- window text

std::string ClockText(int hour, int minute) {
    return std::to_string(hour) + (minute >= 0 && minute < 10 ? ":0" : ":") +
           std::to_string(minute);
}

std::string ReminderWhenText(const DueReminder& reminder, WallMinute now) {
    const ReminderKey& key = reminder.key;
    const std::int64_t today = FloorDiv(Clamp(now), kMinutesPerDay);
    const std::int64_t day = DayNumber(key.date);
    std::string when = ClockText(key.hour, key.minute);
    if (day == today && reminder.minutesLate > kOnTimeSlack)
        when = "due " + when;
    else if (day == today - 1)
        when = "due " + when + " yesterday";
    else if (day != today)
        when = "due " + KeyText(key);
    return when;
}

std::string ReminderEntryText(const DueReminder& reminder, WallMinute now) {
    const std::string when = ReminderWhenText(reminder, now);
    const std::string line = FirstLine(reminder.memoText);
    return line.empty() ? when : when + "  " + line;
}

std::string MissedSummaryText(int count, const Date& first) {
    if (count <= 0) return std::string();
    const std::string date = DateText(first.year, first.month, first.day);
    if (count == 1) return "1 older reminder was missed, on " + date + ".";
    return std::to_string(count) + " older reminders were missed, the first on " + date + ".";
}
