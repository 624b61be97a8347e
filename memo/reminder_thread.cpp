#include "memo/reminder_thread.h"

#include "app/app_state.h"
#include "memo/memo_store.h"

const char kReminderCaption[] = "Vellumo reminds you.";

namespace {
constexpr DWORD kPassInterval = 27000;  // ms; every minute sees at least two passes

DayTextReader ReaderFor(const char* prefix, std::size_t limit) {
    return [prefix, limit](int year, int month, int day) -> std::optional<std::string> {
        std::string text;
        if (!ReadDayFile(MakeDayFilePath(prefix, year, month, day), limit, text))
            return std::nullopt;
        return text;
    };
}
}  // namespace

bool RunReminderPass(const LocalDateTime& now, ReminderMemory& memory) {
    const ReminderDecision decision =
        CheckReminder(now, ReaderFor(RemarkPrefix, kMemoReadLimit),
                      ReaderFor(NoticePrefix, kNoticeReadLimit), memory);
    if (!decision.due) return false;
    // No owner: the box stands on its own while the panel is hidden, and the
    // panel stays usable while it is open.
    ::MessageBoxA(nullptr, decision.text.c_str(), kReminderCaption, MB_OK | MB_ICONINFORMATION);
    return true;
}

DWORD WINAPI ReminderThread(LPVOID) {
    ReminderMemory memory;  // what this thread showed last
    for (;;) {
        RunReminderPass(LocalDateTimeNow(), memory);
        ::Sleep(kPassInterval);
    }
}

DWORD StartReminderThread() {
    DWORD id = 0;
    // Nothing waits for or stops the thread, so its handle is let go at once.
    KernelHandle thread(::CreateThread(nullptr, 0, &ReminderThread, nullptr, 0, &id));
    return thread ? id : 0;
}
