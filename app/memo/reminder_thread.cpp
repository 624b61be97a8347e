#include "app/memo/reminder_thread.h"

#include "app/memo/memo_store.h"
#include "platform/handles.h"
#include "platform/local_time.h"

const char kReminderCaption[] = "Vellumo reminds you.";

namespace {
constexpr DWORD kPassInterval = 27000;  // ms; every minute sees at least two passes

// Plain handles, never closed while the thread may run: it outlives every
// static destructor at exit, so nothing it waits on may go before it.
HANDLE g_stop = nullptr;  // manual-reset; set only by StopReminderThread
HANDLE g_thread = nullptr;
DWORD g_threadId = 0;

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
    do {
        RunReminderPass(LocalDateTimeNow(), memory);
    } while (::WaitForSingleObject(g_stop, kPassInterval) == WAIT_TIMEOUT);
    return 0;
}

DWORD StartReminderThread() {
    if (g_thread != nullptr && ::WaitForSingleObject(g_thread, 0) == WAIT_TIMEOUT)
        return g_threadId;
    StopReminderThread();  // lets go of an ended one
    if (g_stop == nullptr) g_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_stop == nullptr) return 0;
    ::ResetEvent(g_stop);
    DWORD id = 0;
    g_thread = ::CreateThread(nullptr, 0, &ReminderThread, nullptr, 0, &id);
    g_threadId = g_thread != nullptr ? id : 0;
    return g_threadId;
}

bool StopReminderThread() {
    if (g_thread == nullptr) return true;
    ::SetEvent(g_stop);
    // A box it shows ends its loop on WM_QUIT; the thread then sees the
    // event. Posted again until it ends: a box about to open has no message
    // queue yet to take the first.
    DWORD waited = 0;
    for (;;) {
        ::PostThreadMessageA(g_threadId, WM_QUIT, 0, 0);
        if (::WaitForSingleObject(g_thread, 50) == WAIT_OBJECT_0) break;
        if ((waited += 50) >= 10000) return false;
    }
    KernelHandle ended(g_thread);
    g_thread = nullptr;
    g_threadId = 0;
    return true;
}
