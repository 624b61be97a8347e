#include "app/sync/calendar_reminders.h"

#include <windows.h>

#include <memory>
#include <string>

#include "app/calendars/subscription_store.h"
#include "app/sync/sync_account.h"
#include "core/calendars/calendar_events.h"
#include "core/memo/memo_format.h"
#include "platform/ansi_code_page.h"
#include "platform/user_files.h"

namespace {

// Looked at no more often than this: a pass asks for a few dates at once.
constexpr ULONGLONG kLookPeriodMs = 10000;
constexpr std::size_t kCopyLimit = 64u * 1024 * 1024;

struct Copy {
    std::string path, name;
    ULONGLONG written = 0, size = 0;
    std::shared_ptr<const CalendarEvents> events;
};

struct Kept {
    std::vector<Copy> copies;
    ULONGLONG lastLook = 0;
    bool looked = false;
};

// Never destroyed: the reminder thread runs on past static destructors.
Kept& TheKept() {
    static Kept* const kept = new Kept;
    return *kept;
}

bool Stamp(const std::string& path, ULONGLONG& written, ULONGLONG& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    written = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
              data.ftLastWriteTime.dwLowDateTime;
    size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

void Look(Kept& kept) {
    std::vector<Copy> wanted;
    const std::string copies = CalendarCopyFolder();
    if (!copies.empty())
        for (const Subscription& s : LoadSubscriptions())
            if (s.reminders) wanted.push_back(Copy{copies + s.id + ".ics", s.name, 0, 0, nullptr});
    const SyncAccount account = LoadSyncAccount();
    const std::string sync = account.reminders ? UserDataFolder("Sync") : std::string();
    if (!sync.empty())
        wanted.push_back(Copy{sync + "others.ics",
                              account.calendarName.empty() ? "Calendar server" : account.calendarName, 0, 0,
                              nullptr});
    for (Copy& copy : wanted) {
        if (!Stamp(copy.path, copy.written, copy.size)) continue;
        for (const Copy& old : kept.copies)
            if (old.path == copy.path && old.written == copy.written && old.size == copy.size)
                copy.events = old.events;
        if (copy.events) continue;
        const std::optional<std::string> bytes = ReadWholeFile(copy.path, kCopyLimit);
        if (!bytes) continue;
        const IcalDocument document = ReadIcalendar(*bytes);
        if (!document.error.empty()) continue;
        ImportContext context;
        context.codePage = SystemAnsiCodePage();
        context.utcToLocal = UtcToLocalTime;
        copy.events = std::make_shared<const CalendarEvents>(document, context);
    }
    kept.copies = std::move(wanted);
}

}  // namespace

std::vector<DayReminder> CalendarRemindersOn(const Date& date) {
    Kept& kept = TheKept();
    const ULONGLONG now = ::GetTickCount64();
    if (!kept.looked || now - kept.lastLook >= kLookPeriodMs) {
        Look(kept);
        kept.lastLook = now;
        kept.looked = true;
    }
    std::vector<DayReminder> found;
    for (const Copy& copy : kept.copies) {
        if (!copy.events) continue;
        for (const CalendarEvent& e : copy.events->Between(date, date))
            if (e.timed)
                found.push_back(DayReminder{e.time.hour, e.time.minute,
                                            MemoRecord(DateText(date.year, date.month, date.day),
                                                       copy.name + ": " + e.text)});
    }
    return found;
}
