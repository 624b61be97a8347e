#include "core/memo/ical_import.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "core/memo/ical_export.h"
#include "core/memo/ical_reader.h"
#include "core/memo/ical_recur.h"
#include "core/memo/ical_repeat.h"
#include "core/memo/ical_time.h"
#include "core/memo/ical_zone.h"

namespace {

constexpr int kWindowDays = 366;
// Frame dates are widened by this much, for zones up to a day off local time.
constexpr int kZoneSlackDays = 2;

// The clock an event time is written on.
struct Clock {
    bool utc = false;
    const TimeZoneRules* zone = nullptr;  // TZID the file describes
    bool unknownZone = false;             // TZID it does not: taken as local time
};

struct ClockedTime {
    IcalTime time;
    Clock clock;
};

// A time that takes an occurrence out: a whole date, or one moment.
struct Exclusion {
    LocalDateTime local;
    bool dateOnly = false;
};

using Zones = std::map<std::string, TimeZoneRules>;

bool IsUtcName(const std::string& tzid) {
    const std::string name = UpperAscii(tzid);
    for (const char* alias : {"UTC", "GMT", "Z", "ZULU", "UNIVERSAL", "ETC/UTC", "ETC/GMT",
                              "ETC/UNIVERSAL", "ETC/ZULU"})
        if (name == alias) return true;
    return false;
}

std::vector<std::string> ValueList(const std::string& value) {
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (pos <= value.size()) {
        std::size_t end = value.find(',', pos);
        if (end == std::string::npos) end = value.size();
        if (end > pos) items.push_back(value.substr(pos, end - pos));
        pos = end + 1;
    }
    return items;
}

bool IsValidTime(const std::string& notice) {
    const std::optional<NoticeTime> t = ParseNoticeTime(notice);
    return t && t->hour >= 0 && t->hour <= 23 && t->minute >= 0 && t->minute <= 59;
}

// CR LF, a lone CR and a lone LF each as one LF: memos written by other
// programs break lines in all three ways, and an export writes each as one.
std::string LfLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
            continue;
        }
        out += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return out;
}

// The text as whole lines of the memo, whatever its line breaks: at its start
// or after a line break, and at its end or before one.
bool ContainsLines(const std::string& memo, const std::string& text) {
    const std::string content = LfLineBreaks(memo), lines = LfLineBreaks(text);
    for (std::size_t p = content.find(lines); p != std::string::npos;
         p = content.find(lines, p + 1)) {
        const std::size_t end = p + lines.size();
        if ((p == 0 || content[p - 1] == '\n') && (end == content.size() || content[end] == '\n'))
            return true;
    }
    return false;
}

std::string ComposeText(const std::string& summary, const std::string& description) {
    if (description.empty()) return summary;
    if (summary.empty() || SummaryLine(description) == summary) return description;
    return summary + "\n" + description;
}

std::string NoticeOf(const TimeOfDay& t) {
    std::string minute = std::to_string(t.minute);
    if (minute.size() < 2) minute.insert(0, "0");
    return std::to_string(t.hour) + ":" + minute;
}

// A repeating memo as an export writes it: the first date of its rule, the
// text with LF line breaks, the skipped dates in order.
std::string RepeatKey(RepeatMemo memo) {
    if (const std::optional<Date> first = FirstRuleDate(memo)) memo.first = *first;
    memo.text = LfLineBreaks(memo.text);
    std::sort(memo.skipped.begin(), memo.skipped.end(),
              [](const Date& a, const Date& b) { return DayNumber(a) < DayNumber(b); });
    return RepeatFileText(memo);
}

class Importer {
public:
    Importer(const ImportContext& context, IcsImport& result)
        : context_(context), report_(result.report), plan_(result.plan), repeats_(result.repeats) {
        for (const RepeatMemo& memo : context.repeats) repeatKeys_.push_back(RepeatKey(memo));
        const Date& today = context.today;
        windowOpen_ = today.year >= 1 && today.year <= 9999 && IsRealDate(today);
        windowFrom_ = today;
        if (windowOpen_) windowTo_ = AddDays(today, kWindowDays - 1);
    }

    // Occurrences within [from, to] go to `sink` instead of into a plan.
    void ListInto(const Date& from, const Date& to, std::vector<EventOccurrence>& sink) {
        windowOpen_ = from.year >= 1 && to.year <= 9999 && IsRealDate(from) && IsRealDate(to) &&
                      DayNumber(from) <= DayNumber(to);
        windowFrom_ = from;
        windowTo_ = to;
        occurrences_ = &sink;
    }

    void Calendar(const IcalComponent& calendar) {
        Zones zones;
        for (const IcalComponent& part : calendar.children) {
            const IcalProperty* tzid = part.Find("TZID");
            if (part.name != "VTIMEZONE" || tzid == nullptr) continue;
            if (std::optional<TimeZoneRules> rules = TimeZoneRules::FromComponent(part))
                zones.emplace(tzid->value, std::move(*rules));
        }
        // Instances that other events of the same UID replace.
        std::map<std::string, std::vector<Exclusion>> replaced;
        for (const IcalComponent& part : calendar.children) {
            const IcalProperty* uid = part.Find("UID");
            const IcalProperty* id = part.Find("RECURRENCE-ID");
            if (part.name != "VEVENT" || uid == nullptr || id == nullptr) continue;
            AddExclusions(*id, zones, replaced[uid->value]);
        }
        for (const IcalComponent& part : calendar.children) {
            if (part.name == "VEVENT") {
                const IcalProperty* uid = part.Find("UID");
                const bool master = uid != nullptr && part.Find("RECURRENCE-ID") == nullptr;
                const auto it = master ? replaced.find(uid->value) : replaced.end();
                Event(part, zones, it == replaced.end() ? nullptr : &it->second);
            } else if (part.name != "VTIMEZONE") {
                ++report_.otherComponents;
            }
        }
    }

    void Finish() {
        for (auto& entry : days_) {
            Day& day = entry.second;
            if (!day.readable) {
                ++report_.datesNotReadable;
                continue;
            }
            const bool memoChanged = day.memo != day.oldMemo;
            const bool noticeChanged = day.notice != day.oldNotice;
            if (!memoChanged && !noticeChanged) {
                ++report_.memosUnchanged;
                continue;
            }
            if (day.hadMemo)
                ++report_.memosExtended;
            else
                ++report_.memosAdded;
            if (noticeChanged && day.remindTimeSet) ++report_.remindTimesSet;
            PlannedDay planned;
            planned.date = day.date;
            if (memoChanged) planned.memoFile = day.memo;
            if (noticeChanged) planned.notice = day.notice;
            planned.aheadMinutes = day.ahead;
            plan_.push_back(std::move(planned));
        }
    }

private:
    struct Day {
        Date date;
        bool readable = true;
        bool hadMemo = false;
        bool remindTimeSet = false;  // a notice that counts: the memo's own, or set here
        std::optional<std::string> memo, notice;
        std::optional<std::string> oldMemo, oldNotice;
        std::optional<int> ahead;  // set with the remind time
    };

    // A time property's value (or one item of its list) on its clock.
    bool ReadTime(const IcalProperty& property, const std::string& text, const Zones& zones,
                  ClockedTime& out) const {
        if (!ParseIcalTime(text.substr(0, text.find('/')), out.time)) return false;
        out.clock = Clock();
        out.clock.utc = out.time.utc;
        const std::string* tzid = property.Param("TZID");
        if (tzid == nullptr || out.time.dateOnly || out.time.utc) return true;
        const auto zone = zones.find(*tzid);
        if (zone != zones.end())
            out.clock.zone = &zone->second;
        else if (IsUtcName(*tzid))
            out.clock.utc = true;
        else
            out.clock.unknownZone = true;
        return true;
    }

    bool ToLocal(const IcalTime& time, const Clock& clock, LocalDateTime& local) const {
        if (time.dateOnly || (!clock.utc && clock.zone == nullptr)) {
            local = time.value;
            return true;
        }
        const LocalDateTime utc =
            clock.zone != nullptr ? clock.zone->ToUtc(time.value) : time.value;
        if (!context_.utcToLocal) {
            local = utc;
            return true;
        }
        return context_.utcToLocal(utc, local);
    }

    void AddExclusions(const IcalProperty& property, const Zones& zones,
                       std::vector<Exclusion>& out) const {
        for (const std::string& item : ValueList(property.value)) {
            ClockedTime t;
            Exclusion e;
            if (!ReadTime(property, item, zones, t) || !ToLocal(t.time, t.clock, e.local)) continue;
            e.dateOnly = t.time.dateOnly;
            out.push_back(e);
        }
    }

    // UNTIL on the clock of the event's start.
    std::optional<LocalDateTime> UntilOnClock(const IcalTime& until, const Clock& clock) const {
        if (until.dateOnly) return LocalDateTime{until.value.date, TimeOfDay{23, 59, 59}};
        if (!until.utc || clock.utc) return until.value;
        if (clock.zone != nullptr) return clock.zone->FromUtc(until.value);
        LocalDateTime local;
        if (context_.utcToLocal && context_.utcToLocal(until.value, local)) return local;
        return until.value;
    }

    bool InWindow(const Date& date) const {
        if (!windowOpen_) return false;
        const std::int64_t day = DayNumber(date);
        return day >= DayNumber(windowFrom_) && day <= DayNumber(windowTo_);
    }

    // The local starts of a repeating event within the window.
    std::vector<IcalTime> Repeats(const IcalComponent& event, const ClockedTime& start,
                                  const RecurrenceRule* rule, const Zones& zones) const {
        std::vector<IcalTime> found;
        auto add = [&](const IcalTime& time, const Clock& clock) {
            IcalTime local = time;
            if (ToLocal(time, clock, local.value) && InWindow(local.value.date))
                found.push_back(local);
        };
        if (rule == nullptr) {
            add(start.time, start.clock);
        } else if (windowOpen_) {
            std::optional<LocalDateTime> until;
            if (rule->until) until = UntilOnClock(*rule->until, start.clock);
            for (const LocalDateTime& t : ExpandRecurrence(*rule, start.time.value, until,
                                                           AddDays(windowFrom_, -kZoneSlackDays),
                                                           AddDays(windowTo_, kZoneSlackDays))) {
                IcalTime time = start.time;
                time.value = t;
                add(time, start.clock);
            }
        }
        for (const IcalProperty& p : event.properties) {
            if (p.name != "RDATE") continue;
            for (const std::string& item : ValueList(p.value)) {
                ClockedTime t;
                if (ReadTime(p, item, zones, t)) add(t.time, t.clock);
            }
        }
        return found;
    }

    // The local starts of an event, in order; empty for a repeating one
    // without an occurrence in the window.
    std::vector<IcalTime> Starts(const IcalComponent& event, const ClockedTime& start,
                                 const LocalDateTime& firstLocal, const Zones& zones,
                                 const std::vector<Exclusion>* replaced) {
        const IcalTime first{firstLocal, start.time.dateOnly, false};
        const IcalProperty* rrule = event.Find("RRULE");
        const std::optional<RecurrenceRule> rule =
            rrule ? ParseRecurrenceRule(rrule->value, start.time.value.date) : std::nullopt;
        if (rrule != nullptr && !rule) {
            ++report_.rulesNotUnderstood;
            return {first};
        }
        if (rrule == nullptr && event.Find("RDATE") == nullptr) {
            // One that replaces an instance of a repeating event counts as one.
            if (event.Find("RECURRENCE-ID") != nullptr && !InWindow(firstLocal.date)) return {};
            return {first};
        }
        std::vector<Exclusion> excluded = replaced ? *replaced : std::vector<Exclusion>();
        for (const IcalProperty& p : event.properties)
            if (p.name == "EXDATE") AddExclusions(p, zones, excluded);
        std::vector<IcalTime> starts;
        for (const IcalTime& t : Repeats(event, start, rule ? &*rule : nullptr, zones)) {
            const bool out = std::any_of(excluded.begin(), excluded.end(), [&](const Exclusion& e) {
                return e.dateOnly ? e.local.date == t.value.date
                                  : SecondsOf(e.local) == SecondsOf(t.value);
            });
            if (!out) starts.push_back(t);
        }
        std::sort(starts.begin(), starts.end(),
                  [](const IcalTime& a, const IcalTime& b) { return Before(a.value, b.value); });
        return starts;
    }

    void Event(const IcalComponent& event, const Zones& zones,
               const std::vector<Exclusion>* replaced) {
        ++report_.eventsRead;
        const IcalProperty* status = event.Find("STATUS");
        if (status != nullptr && UpperAscii(status->value) == "CANCELLED") {
            ++report_.skippedCancelled;
            return;
        }
        const IcalProperty* dtstart = event.Find("DTSTART");
        ClockedTime start;
        LocalDateTime firstLocal;
        if (dtstart == nullptr || !ReadTime(*dtstart, dtstart->value, zones, start) ||
            !ToLocal(start.time, start.clock, firstLocal)) {
            ++report_.skippedNoStart;
            return;
        }
        const IcalProperty* summary = event.Find("SUMMARY");
        const IcalProperty* description = event.Find("DESCRIPTION");
        int replacedCharacters = 0;
        const std::string text = Utf8ToMemoText(
            ComposeText(summary ? UnescapeText(summary->value) : std::string(),
                        description ? UnescapeText(description->value) : std::string()),
            context_.codePage, replacedCharacters);
        report_.charactersReplaced += replacedCharacters;
        if (text.empty()) {
            ++report_.skippedNoText;
            return;
        }
        if (start.clock.unknownZone) ++report_.unknownTimeZones;
        // A listing (a subscribed calendar) wants the dates themselves.
        if (occurrences_ == nullptr && TakeAsRepeat(event, start, firstLocal, text, zones, replaced))
            return;

        const std::vector<IcalTime> starts = Starts(event, start, firstLocal, zones, replaced);
        if (starts.empty()) {
            ++report_.skippedNotInWindow;
            return;
        }

        if (occurrences_ != nullptr) {
            for (const IcalTime& t : starts)
                if (InWindow(t.value.date)) occurrences_->push_back(EventOccurrence{t, text});
            return;
        }
        const IcalProperty* exact = event.Find("X-VELLUMO-NOTICE");
        const std::string exactNotice = exact ? UnescapeText(exact->value) : std::string();
        const int ahead = AlarmAhead(event);
        bool cut = false;
        for (const IcalTime& t : starts) {
            std::optional<std::string> notice;
            if (!t.dateOnly) {
                const std::optional<NoticeTime> given = ParseNoticeTime(exactNotice);
                const bool keep =
                    exactNotice.size() <= kNoticeReadLimit && IsPrintable(exactNotice) && given &&
                    given->hour == t.value.time.hour && given->minute == t.value.time.minute;
                notice = keep ? exactNotice : NoticeOf(t.value.time);
            }
            cut = Apply(t.value.date, text, notice, ahead) || cut;
        }
        if (cut) ++report_.textsCut;  // once for the event, however many dates it fills
    }

    // How long before its start the event's first display alarm that a
    // reminder ahead can hold rings; 0 without one.
    static int AlarmAhead(const IcalComponent& event) {
        for (const IcalComponent& alarm : event.children) {
            const IcalProperty* trigger = alarm.Find("TRIGGER");
            if (alarm.name != "VALARM" || trigger == nullptr) continue;
            const std::string* related = trigger->Param("RELATED");
            const std::optional<int> ahead = MinutesAhead(UpperAscii(trigger->value));
            if ((related == nullptr || UpperAscii(*related) == "START") && ahead &&
                *ahead <= kMaxRemindAheadMinutes)
                return *ahead;
        }
        return 0;
    }

    // True when the event became a repeating memo (or is one there already).
    bool TakeAsRepeat(const IcalComponent& event, const ClockedTime& start, const LocalDateTime& firstLocal,
                      const std::string& text, const Zones& zones, const std::vector<Exclusion>* replaced) {
        const IcalProperty* rrule = event.Find("RRULE");
        // A repeating memo's file holds dates of years 1..9999 only.
        if (rrule == nullptr || event.Find("RDATE") != nullptr || firstLocal.date.year < 1 ||
            firstLocal.date.year > 9999)
            return false;
        std::optional<RepeatMemo> memo = RepeatOfRule(rrule->value, firstLocal);
        if (!memo) return false;
        // UNTIL in UTC, for a start on another clock, on the start's clock.
        const std::string rule = UpperAscii(rrule->value);
        const std::size_t at = rule.find("UNTIL=");
        IcalTime until;
        if (at != std::string::npos && ParseIcalTime(rule.substr(at + 6, rule.find(';', at) - at - 6), until) &&
            until.utc && !start.clock.utc) {
            const std::optional<LocalDateTime> local = UntilOnClock(until, start.clock);
            memo->last = local->date;
            if (Before(*local, LocalDateTime{local->date, firstLocal.time})) memo->last = AddDays(local->date, -1);
        }
        std::vector<Exclusion> excluded = replaced ? *replaced : std::vector<Exclusion>();
        for (const IcalProperty& p : event.properties)
            if (p.name == "EXDATE") AddExclusions(p, zones, excluded);
        for (const Exclusion& e : excluded) {
            const TimeOfDay& t = e.local.time;
            const bool hits = e.dateOnly || start.time.dateOnly ||
                              (t.hour == firstLocal.time.hour && t.minute == firstLocal.time.minute &&
                               t.second == firstLocal.time.second);
            if (hits && RepeatsOn(*memo, e.local.date) &&
                std::find(memo->skipped.begin(), memo->skipped.end(), e.local.date) == memo->skipped.end())
                memo->skipped.push_back(e.local.date);
        }
        if (memo->skipped.size() > kMaxSkippedDates) return false;
        const std::size_t length = AnsiCutLength(text, kImportedMemoFileLimit, context_.codePage);
        if (length == 0) return false;
        if (length < text.size()) ++report_.textsCut;
        memo->text = text.substr(0, length);
        if (!start.time.dateOnly) {
            memo->hasTime = true;
            memo->hour = firstLocal.time.hour;
            memo->minute = firstLocal.time.minute;
            memo->aheadMinutes = AlarmAhead(event);
        }
        const std::string key = RepeatKey(*memo);
        if (std::find(repeatKeys_.begin(), repeatKeys_.end(), key) != repeatKeys_.end()) {
            ++report_.repeatsUnchanged;
        } else {
            ++report_.repeatsAdded;
            repeatKeys_.push_back(key);
            repeats_.push_back(std::move(*memo));
        }
        return true;
    }

    static bool IsPrintable(const std::string& text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    }

    Day& DayOf(const Date& date) {
        const auto found = days_.find(DayNumber(date));
        if (found != days_.end()) return found->second;
        Day& day = days_[DayNumber(date)];
        day.date = date;
        const ExistingDay existing = context_.existing ? context_.existing(date) : ExistingDay();
        day.readable = existing.readable;
        day.memo = day.oldMemo = existing.memoFile;
        day.notice = day.oldNotice = existing.notice;
        day.hadMemo = day.memo && !CutMemoHead(*day.memo).empty();
        day.remindTimeSet = day.hadMemo && day.notice && IsValidTime(*day.notice);
        return day;
    }

    // Whether the text had to be cut (or left out) to fit the date's memo.
    bool Apply(const Date& date, const std::string& text,
               const std::optional<std::string>& notice, int ahead) {
        Day& day = DayOf(date);
        if (!day.readable) return false;
        const AnsiCodePage& codePage = context_.codePage;
        bool textThere = true, cut = false;
        if (!day.memo || CutMemoHead(*day.memo).empty()) {
            const std::string head = MemoRecord(DateText(date.year, date.month, date.day), "");
            const std::size_t room =
                head.size() < kImportedMemoFileLimit ? kImportedMemoFileLimit - head.size() : 0;
            const std::size_t length = AnsiCutLength(text, room, codePage);
            cut = length < text.size();
            textThere = length > 0;
            if (textThere) day.memo = head + text.substr(0, length);
        } else if (!ContainsLines(CutMemoHead(*day.memo), text)) {
            // On a new line, always: after a cut the file is then too full for
            // another try, so a second import finds nothing to add.
            const std::size_t used = day.memo->size() + 2;
            const std::size_t room =
                used < kImportedMemoFileLimit ? kImportedMemoFileLimit - used : 0;
            const std::size_t length = AnsiCutLength(text, room, codePage);
            cut = length < text.size();
            textThere = length > 0;
            if (textThere) *day.memo += "\r\n" + text.substr(0, length);
        }
        if (textThere && !day.remindTimeSet) {
            if (notice) {
                day.notice = notice;
                day.remindTimeSet = true;
                day.ahead = ahead;
            } else if (!day.hadMemo && day.notice && ParseNoticeTime(*day.notice)) {
                // A time left from a memo deleted before is not this all-day
                // event's: the notice then holds no time, as for a new date.
                day.notice = std::string();
            }
        }
        return cut;
    }

    const ImportContext& context_;
    ImportReport& report_;
    std::vector<PlannedDay>& plan_;
    std::vector<RepeatMemo>& repeats_;
    std::vector<std::string> repeatKeys_;  // RepeatKey of those there and added
    bool windowOpen_ = false;
    Date windowFrom_, windowTo_;
    std::vector<EventOccurrence>* occurrences_ = nullptr;
    std::map<std::int64_t, Day> days_;
};

std::string Line(const char* label, int n) {
    return std::string("\n") + label + ": " + std::to_string(n);
}

}  // namespace

IcsImport PlanIcsImport(const std::string& fileBytes, const ImportContext& context) {
    IcsImport result;
    const IcalDocument document = ReadIcalendar(fileBytes);
    if (!document.error.empty()) {
        result.error = document.error;
        return result;
    }
    Importer importer(context, result);
    for (const IcalComponent& calendar : document.calendars) importer.Calendar(calendar);
    importer.Finish();
    return result;
}

std::vector<EventOccurrence> ListEventOccurrences(const IcalDocument& document,
                                                  const ImportContext& context, const Date& from,
                                                  const Date& to) {
    std::vector<EventOccurrence> found;
    IcsImport unused;
    Importer importer(context, unused);
    importer.ListInto(from, to, found);
    for (const IcalComponent& calendar : document.calendars) importer.Calendar(calendar);
    return found;
}

std::string DescribeImport(const ImportReport& r) {
    std::string text = "Events read: " + std::to_string(r.eventsRead);
    text += Line("Memos added", r.memosAdded);
    text += Line("Memos extended", r.memosExtended);
    text += Line("Memos unchanged (the text was already there)", r.memosUnchanged);
    text += Line("Remind times set", r.remindTimesSet);
    if (r.repeatsAdded > 0 || r.repeatsUnchanged > 0) text += Line("Repeating memos added", r.repeatsAdded);
    if (r.repeatsUnchanged > 0)
        text += Line("Repeating memos unchanged (the same one was already there)", r.repeatsUnchanged);
    text += Line("Events skipped",
                 r.skippedCancelled + r.skippedNoStart + r.skippedNoText + r.skippedNotInWindow);
    const std::pair<const char*, int> notes[] = {
        {"  cancelled", r.skippedCancelled},
        {"  without a start date that can be read", r.skippedNoStart},
        {"  without a summary or description", r.skippedNoText},
        {"  repeating, but not within the next 366 days", r.skippedNotInWindow},
        {"Dates left alone because their memo could not be read", r.datesNotReadable},
        {"Texts cut to fit a memo", r.textsCut},
        {"Characters the code page cannot show (replaced by \"?\") or control characters",
         r.charactersReplaced},
        {"Repeating events whose rule is not understood (first date only)", r.rulesNotUnderstood},
        {"Events in a time zone the file does not describe (taken as local time)",
         r.unknownTimeZones},
        {"Other entries skipped (to-dos, journal entries, ...)", r.otherComponents},
    };
    for (const auto& note : notes)
        if (note.second > 0) text += Line(note.first, note.second);
    return text;
}
